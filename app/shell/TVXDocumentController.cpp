#include "shell/TVXDocumentController.h"

#include "platform/Dialogs.h"
#include "platform/document/DocumentTypes.h"
#include "shell/Alerts.h"
#include "shell/SidebarNoteDocumentsAdapter.h"
#include "shell/TVXDocument.h"

#include <QApplication>
#include <QFileInfo>

namespace penwick {

namespace {
QPointer<TVXDocumentController> g_shared;

QString identity(const QUrl& url)
{
    if (!url.isLocalFile())
        return url.toString(QUrl::FullyEncoded);
    const QFileInfo info(url.toLocalFile());
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}
} // namespace

TVXDocumentController::TVXDocumentController(QObject* parent) : QObject(parent)
{
    if (!g_shared) {
        g_shared = this;
        // The sidebar opens notes among the shared controller's documents.
        SidebarNoteDocuments::setCurrent(&SidebarNoteDocumentsAdapter::instance());
    }
    m_modalWait.setInterval(200);
    connect(&m_modalWait, &QTimer::timeout, this, [this] {
        if (!QApplication::activeModalWidget()) {
            m_modalWait.stop();
            saveEditedDocuments();
        }
    });
    startSaveTimer();
}

TVXDocumentController::~TVXDocumentController()
{
    disposeSaveTimer();
    if (g_shared == this)
        SidebarNoteDocuments::setCurrent(nullptr);
    qDeleteAll(m_documents);
}

TVXDocumentController* TVXDocumentController::sharedDocumentController()
{
    return g_shared;
}

QList<TVXDocument*> TVXDocumentController::documents() const
{
    return m_documents;
}

void TVXDocumentController::addDocument(TVXDocument* document)
{
    if (document && !m_documents.contains(document))
        m_documents.append(document);
}

void TVXDocumentController::removeDocument(TVXDocument* document)
{
    if (m_documents.removeAll(document) > 0)
        document->deleteLater();
}

TVXDocument* TVXDocumentController::documentForURL(const QUrl& url) const
{
    if (url.isEmpty())
        return nullptr;
    const QString wanted = identity(url);
    for (TVXDocument* document : m_documents) {
        if (!document->pseudoURL().isEmpty() && document->pseudoURL().toString(QUrl::FullyEncoded) == wanted)
            return document;
        if (!document->fileURL().isEmpty() && identity(document->fileURL()) == wanted)
            return document;
    }
    return nullptr;
}

// --- Opening ---

QStringList TVXDocumentController::runModalOpenPanel()
{
    platform::OpenPanelOptions options;
    options.title = QStringLiteral("Open");
    options.canChooseFiles = true;
    options.canChooseDirectories = true;
    options.allowsMultipleSelection = true;
    options.accessoryCheckBoxTitle = QStringLiteral("Open in new window");
    options.accessoryCheckBoxState = m_openInNewWindow;
    const QStringList paths = platform::Dialogs::current().runOpenPanel(nullptr, options);
    m_openInNewWindow = options.accessoryCheckBoxState;
    return paths;
}

void TVXDocumentController::openDocument()
{
    for (const QString& path : runModalOpenPanel()) {
        openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), true, Completion([path](TVXDocument*, bool, const std::optional<platform::DocumentError>& error) {
            if (error)
                penwick::showErrorLoadingItem(*error, QFileInfo(path).fileName(), path);
        }));
    }
}

void TVXDocumentController::openDocumentWithContentsOfURL(const QUrl& url, bool display, Completion completion)
{
    if (TVXDocument* open = documentForURL(url)) {
        if (completion)
            completion(open, true, std::nullopt);
        if (m_delegate)
            m_delegate->attemptedReloadOfDocument(open);
        return;
    }
    auto* document = new TVXDocument;
    std::optional<platform::DocumentError> error;
    const QString path = url.toLocalFile();
    if (!document->readFromURL(url, platform::DocumentTypes::typeOfFile(path), &error)) {
        delete document;
        if (!error)
            error = platform::DocumentError { platform::DocumentError::fileDomain, platform::DocumentError::FileReadUnknown,
                QStringLiteral("The document “%1” could not be opened.").arg(QFileInfo(path).fileName()) };
        if (completion)
            completion(nullptr, false, error);
        return;
    }
    document->setFileURL(url);
    addDocument(document);
    if (display)
        document->makeWindowControllers();
    if (completion)
        completion(document, false, std::nullopt);
}

TVXDocument* TVXDocumentController::openUntitledDocumentAndDisplay(bool display)
{
    auto* document = new TVXDocument;
    addDocument(document);
    if (display)
        document->makeWindowControllers();
    return document;
}

void TVXDocumentController::reopenDocumentForContentsOfURL(const QUrl& contentsURL, bool display, Completion completion)
{
    auto* document = new TVXDocument;
    std::optional<platform::DocumentError> error;
    const QString path = contentsURL.toLocalFile();
    if (!document->readFromURL(contentsURL, platform::DocumentTypes::typeOfFile(path), &error)) {
        delete document;
        if (completion)
            completion(nullptr, false, error);
        return;
    }
    // An untitled document: the copy's text, no file.
    document->setFileType(QString());
    addDocument(document);
    if (display)
        document->makeWindowControllers();
    if (completion)
        completion(document, false, std::nullopt);
}

// --- Closing ---

void TVXDocumentController::closeAllDocuments(const std::function<void(bool)>& done)
{
    // Every document is asked before any closes: one that refuses leaves them all open, with
    // their tabs and editors, as they were.
    const QList<QPointer<TVXDocument>> asked(m_documents.begin(), m_documents.end());
    for (const QPointer<TVXDocument>& document : asked) {
        if (!document)
            continue;
        // Asked as the document controller: an untitled document whose copy is on disk keeps it
        // for the next session and closes without a question.
        bool closes = false;
        document->canCloseDocument(this, [&closes](bool shouldClose) { closes = shouldClose; });
        if (!closes) {
            if (done)
                done(false);
            return;
        }
    }
    for (const QPointer<TVXDocument>& document : asked) {
        if (document)
            document->close();
    }
    if (done)
        done(true);
}

// --- Save timer ---

void TVXDocumentController::startSaveTimer()
{
    if (m_saveTimer)
        return;
    m_saveTimer = new QTimer(this);
    m_saveTimer->setInterval(SaveTimerInterval);
    connect(m_saveTimer, &QTimer::timeout, this, &TVXDocumentController::fireSaveTimer);
    m_saveTimer->start();
}

void TVXDocumentController::disposeSaveTimer()
{
    if (!m_saveTimer)
        return;
    m_saveTimer->stop();
    delete m_saveTimer.data();
    m_saveTimer = nullptr;
}

void TVXDocumentController::fireSaveTimer()
{
    // The platform's timers stand still while a modal dialog runs; Qt's fire inside it.
    if (QApplication::activeModalWidget()) {
        if (!m_modalWait.isActive())
            m_modalWait.start();
        return;
    }
    saveEditedDocuments();
}

void TVXDocumentController::saveEditedDocuments()
{
    for (TVXDocument* document : QList<TVXDocument*>(m_documents)) {
        if (document->isDocumentEdited())
            document->saveDocument(nullptr);
    }
}

// --- SidebarDocumentHost ---

namespace {

// The sidebar hears of the opened document in its own terms.
TVXDocumentController::Completion sidebarCompletion(SidebarDocumentHost::OpenCompletion completion)
{
    return [completion = std::move(completion)](TVXDocument* document, bool alreadyOpen, const std::optional<platform::DocumentError>& error) {
        if (!completion)
            return;
        std::optional<SidebarOpenError> sidebarError;
        if (error)
            sidebarError = SidebarOpenError { error->code, error->localizedDescription() };
        completion(document ? document->sidebarDocument() : nullptr, alreadyOpen, sidebarError);
    };
}

} // namespace

void TVXDocumentController::openDocumentWithContentsOfURL(const QUrl& url, bool display, OpenCompletion completion)
{
    openDocumentWithContentsOfURL(url, display, sidebarCompletion(std::move(completion)));
}

void TVXDocumentController::reopenDocumentWithContentsOfURL(const QUrl& contentsURL, bool display, OpenCompletion completion)
{
    reopenDocumentForContentsOfURL(contentsURL, display, sidebarCompletion(std::move(completion)));
}

void TVXDocumentController::showErrorLoadingItem(const SidebarOpenError& error, const QString& title, const QString& path)
{
    penwick::showErrorLoadingItem(platform::DocumentError { QString(), error.code, error.localizedDescription }, title, path);
}

namespace {

// The part of `path` below `folder` ("" for the folder itself); nothing when it is elsewhere.
std::optional<QString> pathInside(const QString& path, const QString& folder)
{
    if (path.isEmpty() || folder.isEmpty())
        return std::nullopt;
    if (path == folder)
        return QString();
    const QString base = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    if (!path.startsWith(base))
        return std::nullopt;
    return QLatin1Char('/') + path.mid(base.size());
}

} // namespace

void TVXDocumentController::fileSystemItemMoved(const QString& from, const QString& to)
{
    for (TVXDocument* document : m_documents) {
        if (const std::optional<QString> rest = pathInside(document->filePath(), from))
            document->setFileURL(QUrl::fromLocalFile(to + *rest));
    }
}

void TVXDocumentController::fileSystemItemTrashed(const QString& path)
{
    for (TVXDocument* document : m_documents) {
        if (!document->isDirectory() && pathInside(document->filePath(), path))
            document->setFileDeleted(true);
    }
}

void TVXDocumentController::rootFolderRemoved(const QString& path)
{
    const QList<TVXDocument*> documents = m_documents;
    for (TVXDocument* document : documents) {
        if (document->isDirectory() && document->filePath() == path) {
            document->close();
            removeDocument(document);
        }
    }
}

} // namespace penwick
