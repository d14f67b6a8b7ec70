#include "shell/TVXAppDelegate.h"

#include "CoreSetup.h"
#include "Extensions/Realm.h"
#include "Extensions/StringAdditions.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "preferences/IndividualDocumentStyler.h"
#include "preferences/TVXPreferencesController.h"
#include "preferences/ThemesFactory.h"
#include "shell/Alerts.h"
#include "common/AppLogger.h"
#include "shell/InformationWindows.h"
#include "common/Notifications.h"
#include "common/PenwickMiniService.h"
#include "common/Prefs.h"
#include "shell/TVXDraftsMenu.h"
#include "shell/WindowPlacement.h"
#include "sidebar/FavoriteDBItem.h"
#include "tools/SnippetsWindowController.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QScreen>
#include <QUrlQuery>

#include <memory>

namespace penwick {

namespace {
const QString kWindowNeedNewDocument = QStringLiteral("WindowNeedNewDocumentNotification");
} // namespace

TVXAppDelegate::TVXAppDelegate(TVXDocumentController* documentController, QObject* parent)
    : QObject(parent)
    , m_documentController(documentController)
    , m_windowFactory([] { return new TVXDocumentWindowController; })
    , m_informationWindows(std::make_unique<InformationWindows>())
{
}

TVXAppDelegate::~TVXAppDelegate()
{
    stopObserving();
    if (m_documentController && m_documentController->delegate() == this)
        m_documentController->setDelegate(nullptr);
    for (const auto& controller : std::as_const(m_windowControllers)) {
        if (controller && controller->delegate() == this)
            controller->setDelegate(nullptr);
    }
    qDeleteAll(windowControllers());
}

void TVXAppDelegate::awakeFromNib()
{
    registerBundledDefaults();
}

// --- Start-up ---

void TVXAppDelegate::applicationWillFinishLaunching(const QStringList& arguments)
{
    // Moving into an Applications folder has no counterpart on Linux: a package installs Penwick.
    // Penwick's own record class shares the database file; it must be known before set-up.
    FavoriteDBItem::registerSchema();
    RealmSetup::setup();
    if (arguments.contains(QStringLiteral("clean")))
        platform::UserDefaults::standard().removePersistentDomain();
    m_autoAddBlankWindow = true;
    m_windowControllers.clear();
    if (m_documentController)
        m_documentController->setDelegate(this);

    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, TVXDocument::DocumentNeedWindowNotification, nullptr, [this](const platform::Notification& n) {
        handleDocumentNeedWindowNotification(qobject_cast<TVXDocument*>(static_cast<QObject*>(const_cast<void*>(n.object))));
    });
    center.addObserver(this, kWindowNeedNewDocument, nullptr, [this](const platform::Notification&) {
        handleWindowNeedNewDocumentNotification();
    });
    center.addObserver(this, Notifications::INDIVIDUAL_EDITOR_STYLE_SELECTED, nullptr, [this](const platform::Notification& n) {
        handleIndividualStyleSelected(Notifications::INDIVIDUAL_EDITOR_STYLE_SELECTED, n.userInfo.value(Notifications::INDIVIDUAL_STYLE_PATH_PAYLOAD));
    });
    center.addObserver(this, Notifications::INDIVIDUAL_PREVIEW_STYLE_SELECTED, nullptr, [this](const platform::Notification& n) {
        handleIndividualStyleSelected(Notifications::INDIVIDUAL_PREVIEW_STYLE_SELECTED, n.userInfo.value(Notifications::INDIVIDUAL_STYLE_PATH_PAYLOAD));
    });
    m_observations.push_back(platform::UserDefaults::standard().observe(UpdateFeed::GET_ALPHA_UPDATES, this, [this](const QString&) {
        QMetaObject::invokeMethod(this, [this] {
            m_updateFeed.setup();
            m_updateFeed.checkForUpdatesInBackground();
        }, Qt::AutoConnection);
    }));
    m_observing = true;
    // A new temporary copy, or a document written to a file, changes what the session lists.
    TVXDocument::setSaveSessionHandler([self = QPointer<TVXAppDelegate>(this)](TVXDocument*) {
        if (self)
            self->saveSession();
    });

    m_newBlankWindowRequested = true;
    // A failure here is not worth stopping for: the user's themes are optional.
    QDir().mkpath(ThemesFactory::userThemesPath());
    m_updateFeed.setup();
}

void TVXAppDelegate::applicationDidFinishLaunching()
{
    // The crash reporter is not started on Linux.
    if (platform::UserDefaults::standard().boolForKey(Prefs::SHOW_PW_MINI))
        PenwickMiniService::startApp();
    // Modal: what follows waits until the window has closed.
    m_informationWindows->showWhatsNewAtLaunchIfDue();
    populateDraftItemsMenu();
    tellOfUnreadableSettings();
}

void TVXAppDelegate::tellOfUnreadableSettings()
{
    const QString kept = platform::UserDefaults::standard().keptUnreadableFile();
    if (kept.isEmpty() || m_toldOfUnreadableSettings)
        return;
    TVXDocumentWindowController* main = mainWindowController();
    if (!main || !main->window())
        return;
    m_toldOfUnreadableSettings = true;
    m_unreadableSettingsAlert = showSheetModalForWindow(main->window(), tr("Penwick's settings could not be read"),
        tr("Every setting is back to its default. The unreadable settings file was kept as %1.").arg(QDir::toNativeSeparators(kept)),
        platform::AlertStyle::Warning, std::nullopt, { tr("OK") }, {}, {});
}

IndividualDocumentStyler* TVXAppDelegate::documentStyler()
{
    if (!m_documentStyler) {
        m_editorStylesMenu = std::make_unique<QMenu>(tr("Editor Theme"));
        m_previewStylesMenu = std::make_unique<QMenu>(tr("Preview Style"));
        m_documentStyler = std::make_unique<IndividualDocumentStyler>(m_editorStylesMenu.get(), m_previewStylesMenu.get());
        m_documentStyler->awakeFromNib();
    }
    return m_documentStyler.get();
}

void TVXAppDelegate::addDraftsMenu(TVXDraftsMenu* menu)
{
    if (menu)
        m_draftsMenus.append(menu);
}

void TVXAppDelegate::populateDraftItemsMenu()
{
    m_draftsMenus.removeAll(nullptr);
    for (TVXDraftsMenu* menu : std::as_const(m_draftsMenus))
        menu->populateDraftItemsMenu();
}

void TVXAppDelegate::whatsNew()
{
    m_informationWindows->whatsNew();
}

void TVXAppDelegate::showCredits()
{
    m_informationWindows->showCredits();
}

void TVXAppDelegate::applicationWillResignActive()
{
    for (TVXDocumentWindowController* controller : windowControllers())
        controller->appWillBecomeInactive();
}

void TVXAppDelegate::applicationWillTerminate()
{
    if (!m_sessionSavedForQuit)
        saveSession();
    for (TVXDocumentWindowController* controller : windowControllers())
        controller->prepareForTermination();
    stopObserving();
}

void TVXAppDelegate::saveForTermination()
{
    if (m_documentController) {
        for (TVXDocument* document : m_documentController->documents())
            document->saveForTermination();
    }
    saveSession();
}

void TVXAppDelegate::requestQuit()
{
    saveSession();
    if (!m_documentController) {
        for (TVXDocumentWindowController* controller : windowControllers())
            controller->prepareForTermination();
        m_sessionSavedForQuit = true;
        QApplication::quit();
        return;
    }
    m_documentController->closeAllDocuments([this](bool allClosed) {
        if (!allClosed)
            return;
        for (TVXDocumentWindowController* controller : windowControllers())
            controller->prepareForTermination();
        // The documents are closed now; their tabs must not overwrite the session saved above.
        m_sessionSavedForQuit = true;
        QApplication::quit();
    });
}

void TVXAppDelegate::stopObserving()
{
    if (!m_observing)
        return;
    m_observing = false;
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    m_observations.clear();
    TVXDocument::setSaveSessionHandler({});
}

// --- Registry ---

QList<TVXDocumentWindowController*> TVXAppDelegate::windowControllers() const
{
    QList<TVXDocumentWindowController*> controllers;
    for (const auto& controller : m_windowControllers) {
        if (controller)
            controllers.append(controller);
    }
    return controllers;
}

TVXDocumentWindowController* TVXAppDelegate::mainWindowController() const
{
    if (m_dragAndDropController)
        return m_dragAndDropController;
    const QList<TVXDocumentWindowController*> controllers = windowControllers();
    QWidget* active = QApplication::activeWindow();
    for (TVXDocumentWindowController* controller : controllers) {
        if (active && controller->window() == active)
            return controller;
    }
    return controllers.value(0);
}

TVXDocumentWindowController* TVXAppDelegate::makeWindowController()
{
    TVXDocumentWindowController* controller = m_windowFactory();
    if (m_documentController)
        controller->setNewDocumentHandler([this] { newDocument(); });
    if (m_windowCreated)
        m_windowCreated(controller);
    return controller;
}

void TVXAppDelegate::registerWindowController(TVXDocumentWindowController* controller)
{
    controller->setDelegate(this);
    m_windowControllers.append(controller);
    // A disposed document leaves the application's list (and is freed there).
    connect(controller, &TVXDocumentWindowController::documentDisposed, this, [this](TVXDocument* document) {
        if (m_documentController)
            m_documentController->removeDocument(document);
    });
    emit windowControllerAdded(controller);
}

TVXDocumentWindowController* TVXAppDelegate::documentWindowControllerForDocument(TVXDocument*, bool makeNewWindow)
{
    if (!makeNewWindow) {
        if (TVXDocumentWindowController* main = mainWindowController())
            return main;
    }
    TVXDocumentWindowController* controller = makeWindowController();
    registerWindowController(controller);
    return controller;
}

// --- Routing ---

void TVXAppDelegate::handleDocumentNeedWindowNotification(TVXDocument* document)
{
    if (!document)
        return;
    const bool newWindow = (m_documentController && m_documentController->openInNewWindowRequested()) || m_newBlankWindowRequested;
    TVXDocumentWindowController* main = mainWindowController();
    TVXDocumentWindowController* target = nullptr;
    if (!newWindow && main)
        target = main;
    else if (m_dragAndDropController)
        target = m_dragAndDropController;
    else
        target = documentWindowControllerForDocument(document, newWindow);

    m_autoAddBlankWindow = false;
    auto& defaults = platform::UserDefaults::standard();
    const QVariantList session = defaults.object(Prefs::SESSION_RESTORE_DOCS).toList();
    const bool autoAddUntitled = defaults.boolForKey(Prefs::AUTO_ADD_UNTITLED_DOCUMENT);
    const bool dropUntitled = (m_newBlankWindowRequested && !autoAddUntitled)
        || (!session.isEmpty() && !m_firstRunUntitleDocumentRemoveHack);
    if (dropUntitled && document->fileURL().isEmpty()) {
        if (m_documentController)
            m_documentController->removeDocument(document);
    } else if (target) {
        target->addDocument(document);
    }
    m_firstRunUntitleDocumentRemoveHack = true;
    if (target && !target->documentsRestoringStarted())
        target->showWindow();
    m_newBlankWindowRequested = false;
    m_autoAddBlankWindow = true;
    if (m_documentController)
        m_documentController->setOpenInNewWindowRequested(false);
}

void TVXAppDelegate::handleWindowNeedNewDocumentNotification()
{
    if (m_documentController)
        m_documentController->openUntitledDocumentAndDisplay(true);
}

void TVXAppDelegate::handleIndividualStyleSelected(const QString& notificationName, const QVariant& path)
{
    TVXDocumentWindowController* main = mainWindowController();
    if (!main)
        return;
    const std::optional<QString> chosen = path.isNull() ? std::nullopt : std::optional<QString>(path.toString());
    if (notificationName == Notifications::INDIVIDUAL_EDITOR_STYLE_SELECTED)
        main->setIndividualEditorStyle(chosen);
    else
        main->setIndividualPreviewStyle(chosen);
}

void TVXAppDelegate::attemptedReloadOfDocument(TVXDocument* document)
{
    for (TVXDocumentWindowController* controller : windowControllers()) {
        if (!controller->containsDocument(document))
            continue;
        controller->switchToDocument(document);
        if (QWidget* window = controller->window(); window && window != QApplication::activeWindow()) {
            window->show();
            window->raise();
            window->activateWindow();
        }
        return;
    }
}

void TVXAppDelegate::saveSession()
{
    if (TVXDocumentWindowController* main = mainWindowController())
        main->saveSession();
}

// --- Window callbacks ---

void TVXAppDelegate::documentWindowControllerWillClose(TVXDocumentWindowController* controller)
{
    if (controller && controller->delegate() == this)
        controller->setDelegate(nullptr);
    m_windowControllers.removeAll(controller);
    m_dragAndDropController = nullptr;
    emit windowControllerRemoved(controller);
    // The registry owned it; it goes once its close has run.
    if (controller)
        controller->deleteLater();
}

void TVXAppDelegate::documentDidMoveFrom(TVXDocument* document, TVXDocumentWindowController* from, TVXDocumentWindowController* to)
{
    if (from)
        from->detachDocument(document);
    if (to)
        to->attachDocument(document);
}

void TVXAppDelegate::didCloseTabItemForWindowController(TVXDocumentWindowController* controller)
{
    populateDraftItemsMenu(); // the closed tab may have left or removed a draft
    if (!controller || controller->tabItemsCount() != 0)
        return;
    controller->blankOut();
    if (platform::UserDefaults::standard().boolForKey(Prefs::AUTO_ADD_UNTITLED_DOCUMENT) && m_autoAddBlankWindow && m_documentController)
        m_documentController->openUntitledDocumentAndDisplay(true);
}

void TVXAppDelegate::handleDragAndDropPaths(const QStringList& paths, TVXDocumentWindowController* controller)
{
    if (paths.isEmpty() || !m_documentController)
        return;
    auto counter = std::make_shared<int>(0);
    const int total = int(paths.size());
    QPointer<TVXAppDelegate> self(this);
    for (const QString& path : paths) {
        m_dragAndDropController = controller;
        m_documentController->openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), true,
            TVXDocumentController::Completion([self, counter, total, path](TVXDocument*, bool, const std::optional<platform::DocumentError>& error) {
                if (error)
                    showErrorLoadingItem(*error, QFileInfo(path).fileName(), path);
                if (++*counter == total && self)
                    self->m_dragAndDropController = nullptr;
            }));
    }
}

platform::TabView* TVXAppDelegate::handleTabTearOff(platform::TabView* tabView, TVXDocument* document, QPoint screenPoint)
{
    TVXDocumentWindowController* controller = makeWindowController();
    if (document)
        document->addWindowController(controller);
    QMainWindow* window = controller->window();
    // Placed before it is shown: the new window has no frame to measure yet, so the source
    // window's frame stands for it.
    QWidget* source = tabView ? tabView->window() : nullptr;
    const QSize size = source ? source->size() : window->size();
    const QMargins frame = frameMargins(source);
    QScreen* screen = QGuiApplication::screenAt(screenPoint);
    if (!screen)
        screen = source && source->screen() ? source->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(screenPoint, size);
    const QPoint tabOffset = tabView && source ? tabView->mapTo(source, QPoint(tabView->leftMargin(), 0)) : QPoint();
    const QRect content = tornOffWindowGeometry(screenPoint, size, tabOffset, frame, area);
    // A window not yet shown is placed by the window manager with its frame's corner where
    // the window asked to be (without a window manager the frame is empty).
    window->setGeometry(QRect(content.topLeft() - QPoint(frame.left(), frame.top()), content.size()));
    window->show();
    registerWindowController(controller);
    return controller->tabBarView();
}

// --- Menu actions ---

void TVXAppDelegate::newDocument()
{
    if (m_documentController)
        m_documentController->openUntitledDocumentAndDisplay(true);
}

void TVXAppDelegate::newBlankWindow()
{
    m_newBlankWindowRequested = true;
    newDocument();
}

void TVXAppDelegate::openDocument()
{
    if (m_documentController)
        m_documentController->openDocument();
}

void TVXAppDelegate::performTabClose()
{
    if (TVXDocumentWindowController* main = mainWindowController())
        main->removeActiveTabItem();
}

void TVXAppDelegate::showPreferences()
{
    if (!m_preferences)
        m_preferences = std::make_unique<TVXPreferencesController>();
    m_preferences->openPreferences();
}

void TVXAppDelegate::newSnippet()
{
    m_snippetsWindowController = std::make_unique<SnippetsWindowController>();
    m_snippetsWindowController->show();
    m_snippetsWindowController->raise();
    m_snippetsWindowController->activateWindow();
}

QUrl TVXAppDelegate::feedbackMailURL()
{
    QUrl url(QStringLiteral("mailto:feedback@penwick.org"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), QStringLiteral("Penwick %1 feedback").arg(QApplication::applicationVersion()));
    url.setQuery(query);
    return url;
}

void TVXAppDelegate::presentFeedbackWindow()
{
    if (!QDesktopServices::openUrl(feedbackMailURL()))
        appLog().error(QStringLiteral("No e-mail program could be opened for feedback"));
}

void TVXAppDelegate::openPaths(const QStringList& paths)
{
    if (!m_documentController)
        return;
    for (const QString& path : paths) {
        m_documentController->openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), true,
            TVXDocumentController::Completion([path](TVXDocument*, bool, const std::optional<platform::DocumentError>& error) {
                if (error)
                    showErrorLoadingItem(*error, QFileInfo(path).fileName(), path);
            }));
    }
}

} // namespace penwick
