#pragma once

#include "PenwickMiniPreferencesWindowController.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QAction;
class QButtonGroup;
class QMenu;
class QStackedWidget;
class QToolButton;

namespace penwick {

class EditViewController;
class QuickPreviewController;
class ScratchViewController;
class ShadowViewController;

enum class ContentMode : quint8 { Scratch = 0, Shadow = 1, Preview = 2 };

class ContentViewControllerDelegate {
public:
    virtual ~ContentViewControllerDelegate() = default;
    virtual void didOpenPenwick(QObject* sender) = 0;
    virtual void requestPopoverClose(QObject* sender) = 0;
    virtual void quitPenwickMini(QObject* sender) = 0;
};

// The popover's content: the scratch, shadow and preview pages, the mode switch, the pin and
// the menu (save note, preferences, open Penwick, quit).
class ContentViewController : public QWidget {
    Q_OBJECT
public:
    using Launcher = std::function<bool(const QString& program)>;

    explicit ContentViewController(QWidget* parent = nullptr);
    ~ContentViewController() override;

    ScratchViewController* scratchViewController() const { return m_scratch; }
    ShadowViewController* shadowViewController() const { return m_shadow; }
    QuickPreviewController* previewController() const { return m_preview; }
    QStackedWidget* contentTabView() const { return m_tabs; }
    QWidget* switchModeSegmentedBtn() const { return m_switch; }
    QToolButton* pinButton() const { return m_pin; }
    // Shown in the preview only: back to the note.
    QToolButton* closePreviewButton() const { return m_closePreview; }
    QToolButton* menuButton() const { return m_menuButton; }
    QAction* saveNoteAction() const { return m_save; }
    QAction* preferencesAction() const { return m_preferencesAction; }
    PenwickMiniPreferencesWindowController* preferencesWindow() const { return m_preferences; }

    ContentViewControllerDelegate* delegate() const { return m_delegate; }
    void setDelegate(ContentViewControllerDelegate* delegate) { m_delegate = delegate; }
    bool isPinned() const { return m_isPinned; }
    ContentMode activeContentMode() const { return m_activeMode; }
    ContentMode previousContentMode() const { return m_previousMode; }

    // --- Actions ---
    void switchMode(int segment);
    void togglePreview(bool on);
    void togglePin(bool on);
    // False when the active page's save failed (logged).
    bool saveNote();
    void showPreferences();
    // Starts Penwick; false (logged) when it could not be started, the popover then stays.
    bool openPenwick();
    void quitPenwickMini();
    // Recomputes the menu's enablement.
    void validateMenuItems();

    // Penwick's executable: "Penwick" beside PenwickMini's own.
    static QString penwickExecutable();
    void setLauncher(Launcher launcher) { m_launcher = std::move(launcher); }

    EditViewController* activeEditor() const;
    // Gives the keyboard to the active page (its text view, or the content itself).
    void focusActivePage();

signals:
    // The preferences window is open; the application hooks its shortcut errors to it.
    void preferencesShown(PenwickMiniPreferencesWindowController* window);

private:
    void renderPreviewFrom(ContentMode mode);
    void showMode(ContentMode mode);

    ScratchViewController* m_scratch = nullptr;
    ShadowViewController* m_shadow = nullptr;
    QuickPreviewController* m_preview = nullptr;
    QStackedWidget* m_tabs = nullptr;
    QWidget* m_switch = nullptr;
    QButtonGroup* m_segments = nullptr;
    QToolButton* m_pin = nullptr;
    QToolButton* m_closePreview = nullptr;
    QToolButton* m_menuButton = nullptr;
    QMenu* m_menu = nullptr;
    QAction* m_save = nullptr;
    QAction* m_preferencesAction = nullptr;
    QPointer<PenwickMiniPreferencesWindowController> m_preferences;
    ContentViewControllerDelegate* m_delegate = nullptr;
    bool m_isPinned = false;
    ContentMode m_previousMode = ContentMode::Scratch;
    ContentMode m_activeMode = ContentMode::Scratch;
    Launcher m_launcher;
};

} // namespace penwick
