#pragma once

#include "platform/Observation.h"
#include "platform/document/WindowController.h"
#include "platform/tabs/TabView.h"
#include "preview/OutlineDelegate.h"
#include "shell/DocumentWindowControllerInterface.h"
#include "shell/EditorViewControllerInterface.h"
#include "shell/TVXDocument.h"
#include "shell/TVXSwitchTabsWindowController.h"
#include "tools/TVXQuickOpenDelegate.h"

#include <QList>
#include <QMainWindow>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QMenu;

namespace penwick {

class EditorOutlineController;
class PreviewControllerInterface;
class PreviewOutlineController;
class TVXWindowSplitViewController;
class SidebarManagerInterface;
class TVXQuickOpenWindowController;
class WindowPreviewRefresh;
class WordFormatMenuItem;
class TVXDocumentWindowController;

// The window controller to the application.
class DocumentWindowControllerDelegate {
public:
    virtual ~DocumentWindowControllerDelegate() = default;
    virtual void documentWindowControllerWillClose(TVXDocumentWindowController* controller) = 0;
    // A tab went to another window's bar: detach from `from`, attach to `to`.
    virtual void documentDidMoveFrom(TVXDocument* document, TVXDocumentWindowController* from, TVXDocumentWindowController* to) = 0;
    virtual void didCloseTabItemForWindowController(TVXDocumentWindowController* controller) = 0;
    virtual void handleDragAndDropPaths(const QStringList& paths, TVXDocumentWindowController* controller) = 0;
    // A tab dropped off every bar: the tab view of a new window for it (none to keep it).
    virtual platform::TabView* handleTabTearOff(platform::TabView* tabView, TVXDocument* document, QPoint screenPoint) = 0;
    virtual bool shouldRestoreDocuments() = 0;
    virtual void didRestoredDocuments() = 0;
};

// The controller of one document window: one tab per document, the quick-open tab, the
// recently-used order, the tab menu, closing and moving tabs, the tab switcher.
class TVXDocumentWindowController : public QObject,
                                    public platform::TabViewDelegate,
                                    public platform::WindowController,
                                    public TVXDocumentDelegate,
                                    public TVXEditorViewControllerDelegate,
                                    public TVXSwitchTabsDelegate,
                                    public DocumentWindowControllerInterface,
                                    public OutlineDelegate,
                                    public TVXQuickOpenDelegate {
    Q_OBJECT
public:
    // `preview` and `sidebar` are the window's own (not owned; they live with the window).
    explicit TVXDocumentWindowController(QObject* parent = nullptr);
    ~TVXDocumentWindowController() override;

    QMainWindow* window() const { return m_window; }
    // Shows the window, in front and active.
    void showWindow();
    // The parts built around the tabs (sidebar, preview, layout); owned, freed before the window.
    void setWindowParts(QObject* parts);
    platform::TabView* tabBarView() const { return m_tabView; }
    void setPreviewController(PreviewControllerInterface* preview) { m_preview = preview; }
    void setSidebarManager(SidebarManagerInterface* sidebar) { m_sidebar = sidebar; }
    DocumentWindowControllerDelegate* delegate() const { return m_delegate; }
    void setDelegate(DocumentWindowControllerDelegate* delegate) { m_delegate = delegate; }
    // Opens a new untitled document (the application's document controller).
    void setNewDocumentHandler(std::function<void()> handler) { m_newDocument = std::move(handler); }
    QString uniqueID() const { return m_uniqueID; }

    // --- Documents and tabs ---
    QList<TVXDocument*> documents() const;
    // Documents in tab order.
    QList<TVXDocument*> documentsInTabOrder() const;
    QList<EditorViewControllerInterface*> editorViewControllers() const { return m_editorViewControllers; }
    // The current document (the selected tab's).
    TVXDocument* document() const { return m_document; }
    void addDocument(TVXDocument* document);
    void attachDocument(TVXDocument* document);
    void detachDocument(TVXDocument* document);
    bool containsDocument(TVXDocument* document) const;
    void switchToDocument(TVXDocument* document);
    bool removeTabItem(platform::TabViewItem* item);
    bool removeActiveTabItem();
    int tabItemsCount() const;
    void blankOut();
    void removeAndDisposeDocumentAndItsController(TVXDocument* document);
    platform::TabViewItem* findTabItemForDocument(TVXDocument* document) const;
    void updateBaseURLForDocument(TVXDocument* document);
    platform::TextView* getActiveEditorTextView() const;
    static TVXDocument* documentForTabViewItem(platform::TabViewItem* item);
    // Tabs, most recently selected first.
    QList<platform::TabViewItem*> mruItems() const;
    bool isBlank() const;

    // --- Commands ---
    void addNewTab();
    void gotoNextDoc();
    void gotoPrevDoc();
    void gotoNextDocInStack();
    void gotoPrevDocInStack();
    TVXSwitchTabsWindowController* switchTabsController() const { return m_switchTabsController; }
    // Saves the window's documents and root folders as the session.
    void saveSession();
    // --- Session hooks ---
    // The window became the active one or showed: the first such window of the launch restores
    // the session.
    void windowDidBecomeMain() override;
    // Reopens the stored session's documents into this window (through the sidebar).
    void restoreSession();
    bool documentsRestoringStarted() const { return m_documentsRestoringStarted; }
    // The application goes to the background: notes shown in tabs are written here.
    void appWillBecomeInactive();
    // --- Closing the window ---
    // The close button: asks each document in turn; false keeps the window open.
    bool windowShouldClose() override;
    // The window closed: its documents are disposed, only the root folders are stored, and
    // the application forgets the window.
    void windowWillClose() override;
    // The application is ending: closing the window neither asks nor disposes anything.
    void prepareForTermination() { m_terminating = true; }
    // --- Per-document styles ---
    void setIndividualEditorStyle(const std::optional<QString>& path);
    void setIndividualPreviewStyle(const std::optional<QString>& path);
    // What "DocumentSelectedNotification" says of a document: its name, its own editor theme
    // and preview style paths (null when it follows the global setting), the document itself.
    static QVariantMap documentSelectedInfo(TVXDocument* document);

    // --- Notes ---
    // Every note of the window reloads its text when its record changed.
    void restoreMiniDocuments();
    // Database changes (this program's and the companion's) reach the window's notes.
    void subscribeToRealmNotification();
    void unSubscribeFromRealmNotification();
    bool isSubscribedToRealmNotification() const { return m_realmNotification.isActive(); }

    // --- Exports (TVXDocumentWindowController+Export.cpp) ---
    // Shows the preview pane, exports the current document's rendered preview as PDF, and puts
    // the pane back as it was when the export has ended.
    void exportPDF();
    // Exports the current document as an HTML page, with the preview style when the panel's
    // check box is on; a failed write shows an alert with the path and the reason.
    void exportHTML();
    // The page written by the HTML export (the style sheet read from `stylePath` when given).
    static QString htmlExportPage(const QString& body, const QString& title, bool includeStyles,
        const std::optional<QString>& stylePath);

    // --- Tab menu ---
    QMenu* menuForTabViewItem(platform::TabViewItem* item);
    // "Save Scratch"/"Save Shadow": the item's note (else the current document) to its record.
    void saveMiniDocumentForItem(platform::TabViewItem* item);
    void addToFavorites(platform::TabViewItem* item);
    void revealInFinder(platform::TabViewItem* item);
    void revealInNavigator(platform::TabViewItem* item);
    void closeTab(platform::TabViewItem* item);
    void closeOtherTabs(platform::TabViewItem* item);
    void closeTabsToTheLeft(platform::TabViewItem* item);
    void closeTabsToTheRight(platform::TabViewItem* item);
    void closeAllTabs();

    // --- TabViewDelegate ---
    bool tabViewShouldCloseTabViewItem(platform::TabView*, platform::TabViewItem* item) override;
    void tabViewDidCloseTabViewItem(platform::TabView*, platform::TabViewItem* item) override;
    void tabViewWillSelectTabViewItem(platform::TabView*, platform::TabViewItem* item) override;
    void tabViewDidSelectTabViewItem(platform::TabView*, platform::TabViewItem* item) override;
    bool tabViewShouldAllowTabViewItemToLeaveTabBarView(platform::TabView*, platform::TabViewItem*) override { return true; }
    void tabViewDidDropTabViewItemInTabBarView(platform::TabView* source, platform::TabViewItem* item, platform::TabView* destination) override;
    platform::TabView* tabViewNewTabBarViewForDraggedTabViewItem(platform::TabView*, platform::TabViewItem* item, QPoint point) override;
    QMenu* tabViewMenuForTabViewItem(platform::TabView*, platform::TabViewItem* item) override { return menuForTabViewItem(item); }
    void addNewTabToTabView(platform::TabView*) override { addNewTab(); }

    // --- Other delegates ---
    void documentDidUpdate(TVXDocument* document) override;
    void documentFileURLDidChange(TVXDocument* document) override;
    QWidget* getAttachedWindow() override;
    void editorTextUpdated(EditorViewControllerInterface* controller) override;
    void tabItemDidSelectForSwitching(platform::TabViewItem* item) override;
    QString scriptClassName() const override { return QStringLiteral("window"); }
    platform::ObjectSpecifier objectSpecifier() const override;
    void setDocument(platform::Document* document) override;
    void dragAndDropOpen(const QStringList& paths) override;
    QUrl baseURLOfWindowOrDocument() const override;

    // --- Outlines and focus ---
    // The popovers' controllers, made on first use with their popovers in this window.
    EditorOutlineController* editorOutlineController();
    PreviewOutlineController* previewOutlineController();
    // Opens the outline popover at `sender` (its button) for the current editor's text.
    void showEditorOutlines(QWidget* sender);
    void showPreviewOutlines(QWidget* sender);
    void didSelectEditorOutlineRange(const OutlineRange& range) override;
    void didSelectPreviewOutline(const QString& anchorId, const OutlineRange& range) override;
    void jumpToSidebar();
    void jumpToEditor();

    // --- Window commands ---
    // The menu commands whose enabling depends on the window's state.
    enum class Command {
        OpenQuickly,
        JumpToEditor,
        JumpToSidebar,
        SaveMiniDocumentToFile,
        GotoNextDoc,
        GotoPrevDoc,
        GotoNextDocInStack,
        GotoPrevDocInStack,
        CopySelectedTextAsFormattedText,
        Other,
    };
    // Whether the command can run now; `title` gets the item's title where the state names it.
    bool validateCommand(Command command, QString* title = nullptr) const;
    // A format item of the Markdown menu: breaks undo coalescing, then the item decorates the
    // current editor.
    void markdownFormat(WordFormatMenuItem* item);
    // Saves the current note (scratch or shadow) as a file through the save panel.
    void saveMiniDocumentToFile();
    // Quick Open over the sidebar's root folders, centred 22 pixels below the window's top;
    // a chosen path is revealed in the folder tree.
    void openQuickly();
    void pathDidSelectForQuickOpen(const QString& path) override;
    TVXQuickOpenWindowController* quickOpenWindowController() const;
    // Formatted copy of the selection or the whole text (HTML with the preview style).
    void copySelectedTextAsFormattedText();
    void copyAllTextAsFormattedText();

    // --- Preview refresh ---
    // Renders the current document's editor text into the preview.
    void rerenderCurrentDocument();
    // The base-URL settings changed: the current document's base URL is worked out again and
    // the preview loads the whole page.
    void baseURLSettingsChanged();
    // A watched folder changed below the root `rootPath`.
    void handleFolderWatchNotification(const QString& rootPath);
    // The split view or the margin settings changed.
    void adjustEditorMargins() { adjustMarginsForCurrentEditor(); }
    // --- Window modes ---
    // The distraction-free menu item: its tag (data) 0 enters the mode, 1 leaves it; outside
    // full screen the window enters or leaves full screen with it.
    void enterDistractionFreeMode(QAction* item);
    void enterDistracitonFreeMode();
    void exitDistracitonFreeMode();
    bool isFullScreen() const;
    // Full screen on and off, with the will/did steps around the change.
    void toggleFullScreen();
    void windowWillEnterFullScreen();
    void windowWillExitFullScreen();
    void windowDidEnterFullScreen();
    void windowDidExitFullScreen();
    bool isDFMPending() const { return m_isDFMPending; }
    void setSplitViewController(TVXWindowSplitViewController* layout);
    // The editor font size: one point up or down (never below the floor), or 16.
    void zoomIn();
    void zoomOut();
    void zoomImageToActualSize();

    // --- The close review ---
    // Asks each edited document in turn (notes are saved without asking); answers whether the
    // window may close. A refused answer stops the questions; the window then keeps every tab
    // and document as they were (those that agreed close only once all did).
    bool reviewDocumentsForClosing();
    // The answer of one document's review.
    void documentShouldClose(TVXDocument* document, bool shouldClose);

protected:
    // The window's own events: state changes (full screen) and resizing.
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // After a tab's document was closed and left this window (its owner may now free it).
    void documentDisposed(TVXDocument* document);
    // A formatted copy reached the clipboard.
    void formattedCopyFinished();

private:
    void startPreviewRefresh();
    void copyAsFormattedText(const QString& html);
    // The preview style of the current document: its own, else the preferred one.
    std::optional<QString> currentPreviewStylePath() const;
    // The text of a style sheet file: UTF-8 unless it starts with a byte-order mark of another
    // encoding; "" when it cannot be read.
    static QString readStyleSheet(const std::optional<QString>& path);
    void initializeTabView();
    void addViewWithDocument(TVXDocument* document);
    void removeExistingQuickOpenDocumentIfAny();
    void disposeDocument(TVXDocument* document);
    void disposeEditorViewController(EditorViewControllerInterface* controller);
    void setSplashVisible(bool visible);
    void selectTabWithOffset(int offset);
    void setupTabsSwitcherWithOffset(int offset);
    void closeItems(const QList<platform::TabViewItem*>& items);
    void adjustMarginsForCurrentEditor();
    // The tab's title, mark, icon and tooltip from its document.
    void refreshTabItem(TVXDocument* document);
    void followTabChanges(EditorViewControllerInterface* editor, bool follow);
    void syncWindowTitle();

    QPointer<QMainWindow> m_window;
    platform::TabView* m_tabView = nullptr;
    QLabel* m_splash = nullptr;
    QList<QPointer<platform::TabViewItem>> m_mruItems;
    QList<QPointer<platform::TabViewItem>> m_approvedItems;
    QList<TVXDocument*> m_documents;
    QList<EditorViewControllerInterface*> m_editorViewControllers;
    QPointer<TVXDocument> m_document;
    QPointer<TVXSwitchTabsWindowController> m_switchTabsController;
    PreviewControllerInterface* m_preview = nullptr;
    SidebarManagerInterface* m_sidebar = nullptr;
    // The HTML export panel's check box, remembered across exports (shared with pending writes).
    std::shared_ptr<TVXDocument::ExportAccessory> m_exportAccessory;
    DocumentWindowControllerDelegate* m_delegate = nullptr;
    std::function<void()> m_newDocument;
    QString m_uniqueID;
    bool m_documentsRestoringStarted = false;
    bool m_closing = false;
    bool m_terminating = false;
    QPointer<QObject> m_parts;
    QPointer<EditorOutlineController> m_editorOutlineController;
    QPointer<PreviewOutlineController> m_previewOutlineController;
    std::unique_ptr<WindowPreviewRefresh> m_previewRefresh;
    quint64 m_copyGeneration = 0;
    QPointer<TVXQuickOpenWindowController> m_quickOpen;
    platform::Observation m_realmNotification;
    QPointer<TVXWindowSplitViewController> m_layout;
    bool m_isDFMPending = false;
    bool m_keepBuggingForSave = false;
    QList<QPointer<TVXDocument>> m_reviewAgreed; // the documents of this review that may close
    bool m_knownFullScreen = false;
};

} // namespace penwick
