#pragma once

#include "Services/TextFileStore.h"
#include "preferences/PreferencePane.h"

#include <QPointer>

#include <optional>

class QLabel;
class QPushButton;

namespace penwick {

namespace platform {
class TextView;
}

// The "Custom CSS" pane: the user's own style sheet, added to every preview page. It is
// read when the pane appears and written by Save; leaving the pane writes it only when the
// file was missing or the text was edited, so a sheet that could not be read (bad bytes)
// is never replaced by the empty editor. The file is read off the GUI thread and goes into
// the editor a slice at a time, so that a sheet of many megabytes holds up nothing; until it
// is in, the editor and Save wait, and leaving the pane takes effect once it is in.
class CustomCSSPreferencesViewController : public PreferencePane {
    Q_OBJECT
public:
    explicit CustomCSSPreferencesViewController(QWidget* parent = nullptr);
    ~CustomCSSPreferencesViewController() override;

    QString identifier() const override { return QStringLiteral("GlobalCustomCSS"); }
    QString toolbarItemLabel() const override { return QStringLiteral("Custom CSS"); }
    QIcon toolbarItemImage() const override { return namedImage(QStringLiteral("customCSSPref")); }

    void viewWillAppear() override;
    void viewDidDisappear() override;
    void save();
    // The sheet is being read or put into the editor.
    bool isLoading() const { return m_loading; }

    platform::TextView* textEditor() const { return m_textEditor; }
    QLabel* errorLbl() const { return m_errorLbl; }
    QPushButton* saveButton() const { return m_saveButton; }

private:
    platform::TextView* m_textEditor = nullptr;
    QLabel* m_errorLbl = nullptr;
    QPushButton* m_saveButton = nullptr;
    void sheetRead(quint64 generation, const std::optional<QString>& css, const StoreFileError& error);
    void sheetShown(quint64 generation);
    void leave();

    bool m_fileMissing = false;
    bool m_edited = false;
    bool m_loading = false;
    bool m_leaveWhenLoaded = false;
    quint64 m_loadGeneration = 0;
};

} // namespace penwick
