#include "shell/TVXDocumentWindowController.h"

#include "platform/NotificationCenter.h"
#include "platform/StandardLocations.h"
#include "platform/UserDefaults.h"
#include "platform/text/TextView.h"
#include "common/Notifications.h"
#include "shell/PenwickWindow.h"
#include "common/Prefs.h"
#include "shell/PreviewControllerInterface.h"
#include "shell/SidebarManagerInterface.h"
#include "shell/TVXEditorViewController.h"
#include "shell/WindowPreviewRefresh.h"

#include <QFileInfo>
#include <QLabel>
#include <QStackedLayout>
#include <QUuid>

namespace penwick {

using platform::TabView;
using platform::TabViewItem;

TVXDocumentWindowController::TVXDocumentWindowController(QObject* parent)
    : QObject(parent)
    , m_uniqueID(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper())
{
    auto* window = new PenwickWindow;
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setDocumentWindowController(this);
    window->awakeFromNib();
    window->setWindowTitle(QStringLiteral("Penwick"));
    m_window = window;

    auto* central = new QWidget;
    auto* stack = new QStackedLayout(central);
    stack->setStackingMode(QStackedLayout::StackAll);
    m_tabView = new TabView;
    m_splash = new QLabel(QStringLiteral("Drop files or folders here, or open them from the File menu."));
    m_splash->setAlignment(Qt::AlignCenter);
    m_splash->setAutoFillBackground(true);
    stack->addWidget(m_tabView);
    stack->addWidget(m_splash);
    window->setCentralWidget(central);
    window->resize(1100, 720);
    initializeTabView();
    setSplashVisible(true);
    startPreviewRefresh();
    window->installEventFilter(this);
    subscribeToRealmNotification();
}

TVXDocumentWindowController::~TVXDocumentWindowController()
{
    for (TVXDocument* document : std::as_const(m_documents)) {
        if (document->delegate() == this)
            document->setDelegate(nullptr);
    }
    for (auto* editor : std::as_const(m_editorViewControllers))
        editor->setDelegate(nullptr);
    m_tabView->setDelegate(nullptr);
    // The sidebar and preview go before the window whose widgets they drive.
    delete m_parts.data();
    delete m_window.data();
}

void TVXDocumentWindowController::initializeTabView()
{
    m_tabView->setDelegate(this);
    m_tabView->setAlwaysShowActiveTab(true);
    m_tabView->setShowAddTabButton(true);
    m_tabView->setCanCloseOnlyTab(true);
    m_tabView->setAllowsBackgroundTabClosing(true);
    m_tabView->setSizeButtonsToFit(false);
    m_tabView->setAllowsTabDragging(true);
}

void TVXDocumentWindowController::setSplashVisible(bool visible)
{
    m_splash->setVisible(visible);
    m_tabView->setVisible(!visible);
    if (visible)
        m_splash->raise();
}

bool TVXDocumentWindowController::isBlank() const
{
    return m_splash->isVisibleTo(m_splash->parentWidget());
}

// --- Lookups ---

QList<TVXDocument*> TVXDocumentWindowController::documents() const
{
    return m_documents;
}

QList<TVXDocument*> TVXDocumentWindowController::documentsInTabOrder() const
{
    QList<TVXDocument*> ordered;
    for (TabViewItem* item : m_tabView->tabViewItems()) {
        if (TVXDocument* document = documentForTabViewItem(item))
            ordered.append(document);
    }
    return ordered;
}

QList<TabViewItem*> TVXDocumentWindowController::mruItems() const
{
    QList<TabViewItem*> items;
    for (const auto& item : m_mruItems) {
        if (item && item->tabView() == m_tabView)
            items.append(item);
    }
    return items;
}

TVXDocument* TVXDocumentWindowController::documentForTabViewItem(TabViewItem* item)
{
    if (!item)
        return nullptr;
    auto* editor = dynamic_cast<EditorViewControllerInterface*>(item->identifier());
    return editor ? editor->document() : nullptr;
}

TabViewItem* TVXDocumentWindowController::findTabItemForDocument(TVXDocument* document) const
{
    if (!document || !document->hasEditorViewController())
        return nullptr;
    QObject* editor = document->editorViewController()->asQObject();
    for (TabViewItem* item : m_tabView->tabViewItems()) {
        if (item->identifier() == editor)
            return item;
    }
    return nullptr;
}

int TVXDocumentWindowController::tabItemsCount() const
{
    return m_tabView->numberOfTabViewItems();
}

platform::TextView* TVXDocumentWindowController::getActiveEditorTextView() const
{
    if (!m_document || !m_document->hasEditorViewController())
        return nullptr;
    return m_document->editorViewController()->getEditorTextView();
}

QUrl TVXDocumentWindowController::baseURLOfWindowOrDocument() const
{
    return m_document ? m_document->baseURL() : QUrl();
}

bool TVXDocumentWindowController::containsDocument(TVXDocument* document) const
{
    if (m_documents.contains(document))
        return true;
    return document && m_sidebar && !document->filePath().isEmpty() && m_sidebar->rootFolderPaths().contains(document->filePath());
}

void TVXDocumentWindowController::updateBaseURLForDocument(TVXDocument* document)
{
    if (document)
        document->setBaseURL(document->determineBaseURL().value_or(QUrl()));
}

// --- Adding ---

void TVXDocumentWindowController::addDocument(TVXDocument* document)
{
    if (!document)
        return;
    if (document->isDirectory()) {
        if (m_sidebar)
            m_sidebar->addAsARootFolder(document->filePath());
        return;
    }
    m_documents.append(document);
    updateBaseURLForDocument(document);
    addViewWithDocument(document);
    if (m_sidebar && m_sidebar->isQuickOpenDocument(document)) {
        removeExistingQuickOpenDocumentIfAny();
        document->setIsQuickOpen(true);
        documentDidUpdate(document);
    }
    if (!document->canonicalURL().isEmpty())
        saveSession();
}

void TVXDocumentWindowController::addViewWithDocument(TVXDocument* document)
{
    EditorViewControllerInterface* editor = document->editorViewController();
    if (!editor)
        return;
    editor->setDelegate(this);
    if (!m_editorViewControllers.contains(editor))
        m_editorViewControllers.append(editor);
    followTabChanges(editor, true);
    document->setDelegate(this);
    document->addWindowController(this);
    auto* item = new TabViewItem(editor->asQObject());
    item->setView(editor->view());
    m_tabView->addTabViewItem(item);
    documentDidUpdate(document);
    m_tabView->selectTabViewItem(item);
    if (auto* textView = editor->getEditorTextView())
        textView->setFocus();
    setSplashVisible(false);
    adjustMarginsForCurrentEditor();
}

void TVXDocumentWindowController::adjustMarginsForCurrentEditor()
{
    if (TVXDocument* document = documentForTabViewItem(m_tabView->selectedTabViewItem()))
        document->editorViewController()->adjustForWindow(m_window);
}

void TVXDocumentWindowController::removeExistingQuickOpenDocumentIfAny()
{
    for (TVXDocument* document : QList<TVXDocument*>(m_documents)) {
        if (!document->isQuickOpen())
            continue;
        if (TabViewItem* item = findTabItemForDocument(document)) {
            removeTabItem(item);
            return;
        }
    }
}

// --- Selection ---

void TVXDocumentWindowController::tabViewWillSelectTabViewItem(TabView*, TabViewItem*)
{
    // The note being left is written to its record (an unedited one writes nothing).
    TVXDocument* leaving = documentForTabViewItem(m_tabView->selectedTabViewItem());
    if (!leaving || !leaving->isNote())
        return;
    if (m_sidebar)
        m_sidebar->turnOffNavigatorReload();
    leaving->saveMiniDocument();
    if (m_sidebar)
        m_sidebar->turnOnNavigatorReload();
}

void TVXDocumentWindowController::tabViewDidSelectTabViewItem(TabView*, TabViewItem* item)
{
    TVXDocument* document = documentForTabViewItem(item);
    if (document)
        document->addWindowController(this);
    if (m_preview)
        m_preview->forceClean();
    m_mruItems.removeAll(item);
    EditorViewControllerInterface* editor = document ? document->editorViewController() : nullptr;
    if (document && editor) {
        updateBaseURLForDocument(document);
        if (m_preview) {
            m_preview->setOverriddenStylePath(editor->overriddenPreviewStylePath());
            m_preview->renderUsingTextView(editor->getEditorTextView(), document->baseURL(), document->canonicalURL());
        }
    }
    m_mruItems.prepend(item);
    syncWindowTitle();

    platform::NotificationCenter::defaultCenter().post(Notifications::DOCUMENT_SELECTED, nullptr, documentSelectedInfo(document));
}

QVariantMap TVXDocumentWindowController::documentSelectedInfo(TVXDocument* document)
{
    EditorViewControllerInterface* editor = document ? document->editorViewController() : nullptr;
    auto orNull = [](const std::optional<QString>& value) { return value ? QVariant(*value) : QVariant(); };
    QVariantMap info;
    info.insert(QStringLiteral("name"), document ? QVariant(document->displayName()) : QVariant());
    info.insert(QStringLiteral("editorThemePath"), editor ? orNull(editor->overriddenStylePath()) : QVariant());
    info.insert(QStringLiteral("previewStylePath"), editor ? orNull(editor->overriddenPreviewStylePath()) : QVariant());
    info.insert(QStringLiteral("document"), document ? QVariant::fromValue<QObject*>(document) : QVariant());
    return info;
}

void TVXDocumentWindowController::setDocument(platform::Document* document)
{
    m_document = qobject_cast<TVXDocument*>(document);
}

platform::ObjectSpecifier TVXDocumentWindowController::objectSpecifier() const
{
    return platform::ObjectSpecifier { QStringLiteral("application"), nullptr, QStringLiteral("windows"), m_uniqueID };
}

void TVXDocumentWindowController::switchToDocument(TVXDocument* document)
{
    if (!document)
        return;
    if (document->isDirectory()) {
        if (m_sidebar)
            m_sidebar->focusRootFolder(document->filePath());
        return;
    }
    if (TabViewItem* item = findTabItemForDocument(document))
        m_tabView->selectTabViewItem(item);
}

// --- Document and editor callbacks ---

void TVXDocumentWindowController::documentDidUpdate(TVXDocument* document)
{
    if (!document)
        return;
    if (document->hasEditorViewController())
        document->editorViewController()->updateDocument();
    refreshTabItem(document);
    if (document == m_document)
        syncWindowTitle();
}

void TVXDocumentWindowController::documentFileURLDidChange(TVXDocument* document)
{
    if (!document || !m_documents.contains(document))
        return;
    // Relative images and links resolve against the document's new folder at once, not only
    // after a tab switch; a new folder is another origin, so the page loads whole.
    const QUrl before = document->baseURL();
    updateBaseURLForDocument(document);
    if (document != m_document || !m_preview || !document->hasEditorViewController())
        return;
    if (document->baseURL() != before)
        m_preview->setForceLoadInsteadOfInject(true);
    m_preview->rerenderWithNewBaseUrl(document->baseURL(), document->canonicalURL());
}

void TVXDocumentWindowController::refreshTabItem(TVXDocument* document)
{
    if (TabViewItem* item = findTabItemForDocument(document)) {
        item->setLabel(document->isFileDeleted() ? document->displayName() + QStringLiteral(" (deleted)") : document->displayName());
        item->setEdited(document->isDocumentEdited());
        item->setIcon(document->isQuickOpen() ? TVXEditorViewController::quickOpenIcon() : document->icon());
        item->setToolTip(document->filePath().isEmpty() ? document->displayName() : document->filePath());
    }
}

void TVXDocumentWindowController::followTabChanges(EditorViewControllerInterface* editor, bool follow)
{
    // The pane tells when its tab's title, icon or mark changed (the quick-open state ends
    // from the sidebar too, not only through the window).
    auto* pane = editor ? qobject_cast<TVXEditorViewController*>(editor->asQObject()) : nullptr;
    if (!pane)
        return;
    disconnect(pane, &TVXEditorViewController::tabChanged, this, nullptr);
    if (follow) {
        connect(pane, &TVXEditorViewController::tabChanged, this, [this, pane] {
            if (TVXDocument* document = pane->document(); document && m_documents.contains(document))
                refreshTabItem(document);
        });
    }
}

void TVXDocumentWindowController::syncWindowTitle()
{
    if (!m_window)
        return;
    m_window->setWindowTitle(m_document ? m_document->displayName() + QStringLiteral("[*]") : QStringLiteral("Penwick"));
    m_window->setWindowModified(m_document && m_document->isDocumentEdited());
}

QWidget* TVXDocumentWindowController::getAttachedWindow()
{
    return m_window;
}

void TVXDocumentWindowController::editorTextUpdated(EditorViewControllerInterface* controller)
{
    // Typing keeps the tab: it is no longer the transient quick-open one.
    TVXDocument* document = controller ? controller->document() : nullptr;
    if (document && document->isQuickOpen()) {
        document->setIsQuickOpen(false);
        documentDidUpdate(document);
    }
    if (document && m_preview && document == m_document)
        m_preview->renderUsingTextView(controller->getEditorTextView(), document->baseURL(), document->canonicalURL());
}

void TVXDocumentWindowController::dragAndDropOpen(const QStringList& paths)
{
    if (m_delegate)
        m_delegate->handleDragAndDropPaths(paths, this);
}

void TVXDocumentWindowController::saveSession()
{
    // A stored session that this launch has yet to restore, or is restoring, is not replaced: a
    // file opened at launch joins it once it is back, and a kill during the restore finds it whole.
    if (m_documentsRestoringStarted)
        return;
    // (A list this process stored itself is no earlier session.)
    static QStringList storedHere;
    const auto stored = [] { return platform::UserDefaults::standard().stringArrayForKey(Prefs::SESSION_RESTORE_DOCS); };
    if (m_delegate && m_delegate->shouldRestoreDocuments()) {
        const QStringList earlier = stored();
        if (!earlier.isEmpty() && earlier != storedHere)
            return;
    }
    if (m_sidebar) {
        m_sidebar->saveSession(documentsInTabOrder());
        storedHere = stored();
    }
}

// --- Closing ---

bool TVXDocumentWindowController::removeTabItem(TabViewItem* item)
{
    return m_tabView->performCloseTabViewItem(item);
}

bool TVXDocumentWindowController::removeActiveTabItem()
{
    TabViewItem* item = m_tabView->selectedTabViewItem();
    return item && removeTabItem(item);
}

bool TVXDocumentWindowController::tabViewShouldCloseTabViewItem(TabView*, TabViewItem* item)
{
    TVXDocument* document = documentForTabViewItem(item);
    if (!document)
        return true;
    // A late yes of an earlier review closes without asking again.
    if (m_approvedItems.removeAll(item) > 0)
        return true;
    if (m_sidebar)
        m_sidebar->turnOffNavigatorReload();
    // The review answers at once (no changes, or the user answered a modal question) or later;
    // a late yes closes the tab from the answer, a no keeps it, and the flag never outlives
    // the close it was given for.
    auto answered = std::make_shared<bool>(false);
    auto returned = std::make_shared<bool>(false);
    QPointer<TabViewItem> guard(item);
    QPointer<TVXDocument> reviewed(document);
    QPointer<TVXDocumentWindowController> self(this);
    document->setCanClose(false);
    document->canCloseDocument(this, [self, answered, returned, guard, reviewed](bool shouldClose) {
        if (!reviewed)
            return;
        *answered = true;
        reviewed->setCanClose(shouldClose);
        if (shouldClose)
            reviewed->unlinkTempFile(); // closed without a file: its copy goes with the tab
        if (*returned && shouldClose && self && guard) {
            self->m_approvedItems.append(guard);
            self->removeTabItem(guard);
        }
    });
    const bool closes = *answered && document->canClose();
    *returned = true;
    document->setCanClose(false);
    if (m_sidebar)
        m_sidebar->turnOnNavigatorReload();
    return closes;
}

void TVXDocumentWindowController::tabViewDidCloseTabViewItem(TabView*, TabViewItem* item)
{
    TVXDocument* document = documentForTabViewItem(item);
    EditorViewControllerInterface* editor = nullptr;
    for (auto* candidate : std::as_const(m_editorViewControllers)) {
        if (candidate->asQObject() == item->identifier())
            editor = candidate;
    }
    platform::TextView* textView = editor ? editor->getEditorTextView() : nullptr;
    if (editor)
        disposeEditorViewController(editor);
    if (document) {
        disposeDocument(document);
        m_documents.removeAll(document);
    }
    if (m_preview && textView)
        m_preview->closeTextView(textView);
    m_mruItems.removeAll(item);
    if (m_document == document)
        m_document = documentForTabViewItem(m_tabView->selectedTabViewItem());
    syncWindowTitle();
    if (m_delegate)
        m_delegate->didCloseTabItemForWindowController(this);
    saveSession();
    if (document)
        emit documentDisposed(document);
}

void TVXDocumentWindowController::disposeDocument(TVXDocument* document)
{
    document->setDelegate(nullptr);
    document->close();
}

void TVXDocumentWindowController::disposeEditorViewController(EditorViewControllerInterface* controller)
{
    followTabChanges(controller, false);
    controller->willClose();
    if (QWidget* view = controller->view(); view && view->parentWidget())
        view->setParent(nullptr);
    controller->setDelegate(nullptr);
    m_editorViewControllers.removeAll(controller);
}

void TVXDocumentWindowController::removeAndDisposeDocumentAndItsController(TVXDocument* document)
{
    if (!m_documents.contains(document))
        return;
    if (document->hasEditorViewController()) {
        auto* editor = document->editorViewController();
        followTabChanges(editor, false);
        editor->willClose();
        editor->setDelegate(nullptr);
        m_editorViewControllers.removeAll(editor);
    }
    disposeDocument(document);
    m_documents.removeAll(document);
    emit documentDisposed(document);
}

void TVXDocumentWindowController::blankOut()
{
    setSplashVisible(true);
    if (m_preview)
        m_preview->forceClean();
    m_documents.clear();
    m_editorViewControllers.clear();
    m_document = nullptr;
    syncWindowTitle();
}

// --- Moving between windows ---

void TVXDocumentWindowController::tabViewDidDropTabViewItemInTabBarView(TabView*, TabViewItem* item, TabView* destination)
{
    TVXDocument* document = documentForTabViewItem(item);
    auto* to = destination ? dynamic_cast<TVXDocumentWindowController*>(destination->delegate()) : nullptr;
    if (!document || !to)
        return;
    if (m_delegate) {
        m_delegate->documentDidMoveFrom(document, this, to);
    } else {
        detachDocument(document);
        to->attachDocument(document);
    }
}

TabView* TVXDocumentWindowController::tabViewNewTabBarViewForDraggedTabViewItem(TabView*, TabViewItem* item, QPoint point)
{
    TVXDocument* document = documentForTabViewItem(item);
    return m_delegate && document ? m_delegate->handleTabTearOff(m_tabView, document, point) : nullptr;
}

void TVXDocumentWindowController::detachDocument(TVXDocument* document)
{
    if (!document)
        return;
    if (document->hasEditorViewController()) {
        auto* editor = document->editorViewController();
        editor->setDelegate(nullptr);
        followTabChanges(editor, false);
        m_editorViewControllers.removeAll(editor);
    }
    if (document->delegate() == this)
        document->setDelegate(nullptr);
    m_documents.removeAll(document);
    // The tab has already gone to its new bar: it is found by its document, not in this bar.
    m_mruItems.removeIf([document](const QPointer<TabViewItem>& item) { return !item || documentForTabViewItem(item) == document; });
    if (m_document == document)
        m_document = documentForTabViewItem(m_tabView->selectedTabViewItem());
    // The last tab gone: the window is blank, not an empty bar over the old preview.
    if (tabItemsCount() == 0)
        blankOut();
    syncWindowTitle();
}

void TVXDocumentWindowController::attachDocument(TVXDocument* document)
{
    if (!document)
        return;
    EditorViewControllerInterface* editor = document->editorViewController();
    if (editor) {
        editor->setDelegate(this);
        if (!m_editorViewControllers.contains(editor))
            m_editorViewControllers.append(editor);
        followTabChanges(editor, true);
    }
    document->setDelegate(this);
    document->addWindowController(this);
    if (!m_documents.contains(document))
        m_documents.append(document);
    if (TabViewItem* item = findTabItemForDocument(document)) {
        m_mruItems.removeAll(item);
        m_mruItems.prepend(item);
    }
    setSplashVisible(false);
    documentDidUpdate(document);
}

} // namespace penwick
