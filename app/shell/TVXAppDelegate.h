#pragma once

#include "platform/Observation.h"
#include "shell/TVXDocumentController.h"
#include "shell/TVXDocumentWindowController.h"
#include "shell/UpdateFeed.h"

#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace penwick {

class IndividualDocumentStyler;
class InformationWindows;
class TVXDraftsMenu;
class TVXPreferencesController;
class SnippetsWindowController;

// The application's delegate: start-up, the registry of document windows, which window a
// document goes to, the windows' callbacks (tear-off, drops, last tab closed, closing, moves,
// restoring the session once), and what happens when Penwick goes to the background or ends.
class TVXAppDelegate : public QObject,
                       public TVXDocumentControllerDelegate,
                       public DocumentWindowControllerDelegate {
    Q_OBJECT
public:
    // Makes an empty document window; the product's puts the sidebar and preview around the tabs.
    using WindowFactory = std::function<TVXDocumentWindowController*()>;

    explicit TVXAppDelegate(TVXDocumentController* documentController, QObject* parent = nullptr);
    ~TVXAppDelegate() override;

    // The bundled "Defaults" settings become the registered defaults.
    void awakeFromNib();
    // Start-up, part 1: database, "clean", observers, the first document's new window, the
    // themes folder, the update feed.
    void applicationWillFinishLaunching(const QStringList& arguments);
    // Start-up, part 2: the companion, when its setting is on, then What's New (modally) when
    // its page is new since the last launch, then the drafts menus, then word of unreadable
    // settings.
    void applicationDidFinishLaunching();
    // A settings file that could not be read at start was set aside and every setting reset:
    // the user is told so once, in the main window, with the name the file was kept under.
    void tellOfUnreadableSettings();
    QWidget* unreadableSettingsAlert() const { return m_unreadableSettingsAlert; }
    // Every window writes its edited notes.
    void applicationWillResignActive();
    // Saves the session (unless the quit saved it already) and stops observing.
    void applicationWillTerminate();
    // Penwick is ended from outside (a termination signal, a logout): every edited document is
    // kept without a question (TVXDocument::saveForTermination), then the session is saved.
    void saveForTermination();
    // The Quit command: the session is saved first, so that a refused quit keeps it; then each
    // document is asked in turn, and only when all agree does the application end.
    void requestQuit();

    TVXDocumentController* documentController() const { return m_documentController; }
    void setWindowFactory(WindowFactory factory) { m_windowFactory = std::move(factory); }
    // Told for every window made (the menu bar is added there).
    void setWindowCreatedHandler(std::function<void(TVXDocumentWindowController*)> handler) { m_windowCreated = std::move(handler); }

    // --- Routing ---
    void handleDocumentNeedWindowNotification(TVXDocument* document);
    void handleWindowNeedNewDocumentNotification();
    TVXDocumentWindowController* documentWindowControllerForDocument(TVXDocument* document, bool makeNewWindow);
    // The window being dropped on, else the registered one whose window is active, else the first.
    TVXDocumentWindowController* mainWindowController() const;
    QList<TVXDocumentWindowController*> windowControllers() const;
    TVXDocumentWindowController* dragAndDropController() const { return m_dragAndDropController; }

    // --- Flags (read by tests and the windows) ---
    bool autoAddBlankWindow() const { return m_autoAddBlankWindow; }
    bool newBlankWindowRequested() const { return m_newBlankWindowRequested; }
    bool documentsRestoredForThisSession() const { return m_documentsRestoredForThisSession; }
    const UpdateFeed& updateFeed() const { return m_updateFeed; }

    // --- TVXDocumentControllerDelegate ---
    void attemptedReloadOfDocument(TVXDocument* document) override;
    void saveSession() override;

    // --- DocumentWindowControllerDelegate ---
    void documentWindowControllerWillClose(TVXDocumentWindowController* controller) override;
    void documentDidMoveFrom(TVXDocument* document, TVXDocumentWindowController* from, TVXDocumentWindowController* to) override;
    void didCloseTabItemForWindowController(TVXDocumentWindowController* controller) override;
    void handleDragAndDropPaths(const QStringList& paths, TVXDocumentWindowController* controller) override;
    platform::TabView* handleTabTearOff(platform::TabView* tabView, TVXDocument* document, QPoint screenPoint) override;
    bool shouldRestoreDocuments() override { return !m_documentsRestoredForThisSession; }
    void didRestoredDocuments() override { m_documentsRestoredForThisSession = true; }

    // --- Menu actions ---
    void newDocument();
    void newBlankWindow();
    void openDocument();
    void performTabClose();
    void showPreferences();
    // A fresh snippets window, in place of the previous one.
    void newSnippet();
    SnippetsWindowController* snippetsWindowController() const { return m_snippetsWindowController.get(); }
    // What's New, whatever the version; the settings are not touched.
    void whatsNew();
    // The credits window, made once.
    void showCredits();
    InformationWindows* informationWindows() const { return m_informationWindows.get(); }

    // The styler of the per-document editor-theme and preview-style submenus, which every
    // window's menu bar shows; made with the first menu bar.
    IndividualDocumentStyler* documentStyler();

    // The drafts menus of the windows' menu bars, refilled at launch and after a tab closes.
    void addDraftsMenu(TVXDraftsMenu* menu);
    void populateDraftItemsMenu();
    // The feedback command: an e-mail draft through the desktop.
    void presentFeedbackWindow();
    static QUrl feedbackMailURL();

    // Opens what the command line or a second start names: files as tabs, folders as sidebar
    // roots, through the document controller. Errors are shown per item.
    void openPaths(const QStringList& paths);

signals:
    void windowControllerAdded(TVXDocumentWindowController* controller);
    void windowControllerRemoved(TVXDocumentWindowController* controller);

private:
    TVXDocumentWindowController* makeWindowController();
    void registerWindowController(TVXDocumentWindowController* controller);
    void handleIndividualStyleSelected(const QString& notificationName, const QVariant& path);
    void stopObserving();

    QPointer<TVXDocumentController> m_documentController;
    WindowFactory m_windowFactory;
    std::function<void(TVXDocumentWindowController*)> m_windowCreated;
    QList<QPointer<TVXDocumentWindowController>> m_windowControllers;
    QList<QPointer<TVXDraftsMenu>> m_draftsMenus;
    QPointer<TVXDocumentWindowController> m_dragAndDropController;
    std::unique_ptr<TVXPreferencesController> m_preferences;
    std::unique_ptr<SnippetsWindowController> m_snippetsWindowController;
    std::unique_ptr<InformationWindows> m_informationWindows;
    std::unique_ptr<QMenu> m_editorStylesMenu;
    std::unique_ptr<QMenu> m_previewStylesMenu;
    std::unique_ptr<IndividualDocumentStyler> m_documentStyler;
    UpdateFeed m_updateFeed;
    std::vector<platform::Observation> m_observations;
    bool m_autoAddBlankWindow = false;
    bool m_newBlankWindowRequested = false;
    bool m_firstRunUntitleDocumentRemoveHack = false;
    bool m_documentsRestoredForThisSession = false;
    bool m_sessionSavedForQuit = false;
    bool m_observing = false;
    bool m_toldOfUnreadableSettings = false;
    QPointer<QWidget> m_unreadableSettingsAlert;
};

} // namespace penwick
