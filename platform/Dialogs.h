#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QPrinter;
class QWidget;

namespace penwick::platform {

enum class AlertStyle { Warning, Informational, Critical };

struct AlertSpec {
    QString messageText;
    QString informativeText;
    AlertStyle style = AlertStyle::Warning;
    // In order; the first is the default button. Empty gives one "OK" button.
    QStringList buttons;
    // Index in `buttons` of the button that Escape presses; none: Escape does nothing.
    std::optional<int> cancelButton;
};

struct SavePanelOptions {
    QString title;
    QString directory;          // where the panel opens; empty: the panel's own choice
    QString nameFieldStringValue;
    QStringList nameFilters;    // "Markdown (*.md *.markdown)", ...
    QString defaultSuffix;      // added when the chosen name has no extension
    QString prompt;             // the accept button's title; empty: the panel's own
    // A check box under the panel (empty: none) and its state in and out.
    QString accessoryCheckBoxTitle;
    bool accessoryCheckBoxState = false;
};

struct OpenPanelOptions {
    QString title;
    QString directory;
    QStringList nameFilters;
    bool canChooseFiles = true;
    bool canChooseDirectories = false;
    bool allowsMultipleSelection = true;
    // A check box under the panel (empty: none) and its state in and out.
    QString accessoryCheckBoxTitle;
    bool accessoryCheckBoxState = false;
};

// Open and save panels and alerts. Everything that asks the user goes through the
// current instance, so that tests can answer in place of a person.
class Dialogs {
public:
    using AlertHandler = std::function<void(int buttonIndex)>;

    virtual ~Dialogs() = default;

    // The panels and the modal alert block until the user answers. The save panel writes its
    // check box's state back.
    virtual std::optional<QString> runSavePanel(QWidget* parent, SavePanelOptions& options) = 0;
    // The chosen paths (empty when cancelled); the check box's state is written back.
    virtual QStringList runOpenPanel(QWidget* parent, OpenPanelOptions& options) = 0;
    // The index of the pressed button.
    virtual int runModalAlert(QWidget* parent, const AlertSpec& alert) = 0;
    // An alert attached to `window` that does not block; `onEnd` gets the pressed button's
    // index when it closes. Answers the alert's widget, when there is one.
    virtual QWidget* beginSheetAlert(QWidget* window, const AlertSpec& alert, AlertHandler onEnd) = 0;
    // The print panel for `printer`, which takes the choices made; false when cancelled.
    virtual bool runPrintPanel(QWidget* parent, QPrinter* printer) = 0;

    // The instance in use: the one given to setCurrent(), else the Qt dialogs.
    static Dialogs& current();
    // Replaces the instance (not owned; null restores the Qt dialogs).
    static void setCurrent(Dialogs* dialogs);
};

// The real dialogs: QFileDialog and QMessageBox.
class QtDialogs : public Dialogs {
public:
    std::optional<QString> runSavePanel(QWidget* parent, SavePanelOptions& options) override;
    QStringList runOpenPanel(QWidget* parent, OpenPanelOptions& options) override;
    int runModalAlert(QWidget* parent, const AlertSpec& alert) override;
    QWidget* beginSheetAlert(QWidget* window, const AlertSpec& alert, AlertHandler onEnd) override;
    bool runPrintPanel(QWidget* parent, QPrinter* printer) override;
};

} // namespace penwick::platform
