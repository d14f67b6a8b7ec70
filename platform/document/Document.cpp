#include "platform/document/Document.h"
#include "platform/FileNames.h"

#include "platform/Dialogs.h"
#include "platform/document/DocumentTypes.h"
#include "platform/text/UndoManager.h"

#include <QFileInfo>

#include <atomic>

namespace penwick::platform {

namespace {

std::atomic<int> g_untitledCount { 0 };

void setError(Document::MaybeError* out, const std::optional<DocumentError>& error)
{
    if (out)
        *out = error;
}

} // namespace

Document::Document(QObject* parent) : QObject(parent) {}

Document::~Document() = default;

void Document::setFileURL(const QUrl& url)
{
    if (url == m_fileURL)
        return;
    m_fileURL = url;
    emit fileURLChanged(url);
}

QString Document::displayName() const
{
    if (!m_fileURL.isEmpty()) {
        const QString name = QFileInfo(m_fileURL.toLocalFile()).fileName();
        if (!name.isEmpty())
            return name;
    }
    if (!m_displayName.isEmpty())
        return m_displayName;
    if (m_untitledNumber == 0)
        m_untitledNumber = ++g_untitledCount;
    return m_untitledNumber == 1 ? QStringLiteral("Untitled") : QStringLiteral("Untitled %1").arg(m_untitledNumber);
}

void Document::setDisplayName(const QString& name)
{
    m_displayName = name;
}

// --- Edited state ---

bool Document::isDocumentEdited() const
{
    return m_changeCount != 0 || m_savedStateLost;
}

void Document::updateChangeCount(DocumentChange change)
{
    // Typing after a save point must count as a change of its own, so the latest step is
    // closed first (which may itself count as done, before the reset below).
    if (change == DocumentChange::Cleared && m_undoManager)
        m_undoManager->sealLastStep();
    const bool wasEdited = isDocumentEdited();
    switch (change) {
    case DocumentChange::Done:
        // Below zero the saved state lies in the redo history, which a new change drops.
        if (m_changeCount < 0)
            m_savedStateLost = true;
        ++m_changeCount;
        break;
    case DocumentChange::Undone:
        --m_changeCount;
        break;
    case DocumentChange::Redone:
        ++m_changeCount;
        break;
    case DocumentChange::Cleared:
        m_changeCount = 0;
        m_savedStateLost = false;
        break;
    }
    if (wasEdited != isDocumentEdited())
        emit editedStateChanged(isDocumentEdited());
}

void Document::setUndoManager(UndoManager* undoManager)
{
    for (const auto& connection : m_undoConnections)
        disconnect(connection);
    m_undoConnections.clear();
    m_undoManager = undoManager;
    if (!undoManager)
        return;
    m_undoConnections = {
        connect(undoManager, &UndoManager::didCloseUndoGroup, this, [this] { updateChangeCount(DocumentChange::Done); }),
        connect(undoManager, &UndoManager::didUndoChange, this, [this] { updateChangeCount(DocumentChange::Undone); }),
        connect(undoManager, &UndoManager::didRedoChange, this, [this] { updateChangeCount(DocumentChange::Redone); }),
    };
}

// --- Reading ---

bool Document::readFromURL(const QUrl& url, const QString& type, MaybeError* error)
{
    const QString path = url.toLocalFile();
    const FileStamp stampBefore = FileStamp::of(path);
    DocumentError fileError;
    const auto wrapper = FileWrapper::fromPath(path, &fileError);
    if (!wrapper) {
        setError(error, fileError);
        return false;
    }
    MaybeError readError;
    if (!readFromFileWrapper(*wrapper, type, &readError)) {
        setError(error, readError);
        return false;
    }
    m_fileModificationDate = platform::lastModified(path);
    if (wrapper->isRegularFile())
        m_fileVersion.recordRead(stampBefore, wrapper->regularFileContents().value_or(QByteArray()));
    else
        m_fileVersion.clear();
    return true;
}

// --- Writing ---

bool Document::writeToURL(const QUrl& url, const QString& type, SaveOperation, MaybeError* error)
{
    MaybeError wrapperError;
    const auto wrapper = fileWrapperOfType(type, &wrapperError);
    if (!wrapper) {
        setError(error, wrapperError ? wrapperError
                                     : DocumentError { DocumentError::fileDomain, DocumentError::FileWriteUnknown,
                                           QStringLiteral("The document “%1” could not be saved.").arg(displayName()) });
        return false;
    }
    DocumentError writeError;
    if (!wrapper->writeToPath(url.toLocalFile(), &writeError)) {
        setError(error, writeError);
        return false;
    }
    m_lastWrittenDigest = FileVersion::digest(wrapper->regularFileContents().value_or(QByteArray()));
    return true;
}

bool Document::writeSafelyToURL(const QUrl& url, const QString& type, SaveOperation operation, MaybeError* error)
{
    return writeToURL(url, type, operation, error);
}

bool Document::saveToURL(const QUrl& url, const QString& type, SaveOperation operation, MaybeError* error)
{
    if (!writeSafelyToURL(url, type, operation, error))
        return false;
    if (operation == SaveOperation::SaveTo)
        return true;
    setFileType(type);
    setFileURL(url);
    setFileDeleted(false);
    m_fileModificationDate = platform::lastModified(url.toLocalFile());
    m_fileVersion.recordWritten(url.toLocalFile(), m_lastWrittenDigest);
    m_timedSavesHeld = false;
    updateChangeCount(DocumentChange::Cleared);
    return true;
}

bool Document::fileChangedOnDisk() const
{
    if (m_fileURL.isEmpty())
        return false;
    return m_fileVersion.changedAt(m_fileURL.toLocalFile());
}

bool Document::mayOverwriteOutsideChange(bool timed)
{
    if (!fileChangedOnDisk())
        return true;
    if (timed && m_timedSavesHeld)
        return false;
    AlertSpec alert;
    alert.messageText = QStringLiteral("The file has been changed by another application.");
    alert.informativeText = QStringLiteral("Do you want to keep your version of “%1” and overwrite the other one, or revert to the "
                                           "version on disk and lose your changes?").arg(displayName());
    alert.buttons = { QStringLiteral("Save Anyway"), QStringLiteral("Revert"), QStringLiteral("Cancel") };
    alert.cancelButton = 2;
    switch (Dialogs::current().runModalAlert(windowForSheet(), alert)) {
    case 0:
        return true;
    case 1: {
        MaybeError error;
        const QString type = m_fileType.isEmpty() ? defaultType() : m_fileType;
        if (!revertToContentsOfURL(m_fileURL, type, &error) && error)
            presentError(*error);
        return false;
    }
    default:
        // Both versions stay; the timer stops writing until the person decides.
        m_timedSavesHeld = true;
        return false;
    }
}

void Document::setFileDeleted(bool deleted)
{
    if (std::exchange(m_fileDeleted, deleted) != deleted)
        emit fileURLChanged(m_fileURL); // shown with its file
}

bool Document::saveDocument(QObject* sender)
{
    if (m_fileDeleted && !sender)
        return false;
    if (m_fileURL.isEmpty() || m_fileDeleted)
        return runSavePanelAndSave(SaveOperation::Save);
    const bool timed = sender == nullptr;
    if (timed && m_timedSavesHeld)
        return false;
    if (!mayOverwriteOutsideChange(timed))
        return false;
    MaybeError error;
    const QString type = m_fileType.isEmpty() ? defaultType() : m_fileType;
    if (saveToURL(m_fileURL, type, SaveOperation::Save, &error))
        return true;
    // Told once: the timer stops writing this document (it stays edited) until the person saves,
    // saves elsewhere or reverts.
    if (timed)
        m_timedSavesHeld = true;
    presentError(error.value_or(DocumentError { DocumentError::fileDomain, DocumentError::FileWriteUnknown, QString() }));
    return false;
}

bool Document::saveDocumentAs()
{
    return runSavePanelAndSave(SaveOperation::SaveAs);
}

bool Document::prepareSavePanel(SavePanelOptions&)
{
    return true;
}

QString Document::defaultType() const
{
    return QStringLiteral("text/markdown");
}

QStringList Document::writableNameFilters() const
{
    return { QStringLiteral("Markdown (*.md *.markdown *.mdown *.mkd *.mkdn *.mdwn *.text)"),
        QStringLiteral("Text (*.txt)"), QStringLiteral("All files (*)") };
}

bool Document::runSavePanelAndSave(SaveOperation operation)
{
    SavePanelOptions options;
    options.title = QStringLiteral("Save");
    options.nameFilters = writableNameFilters();
    options.defaultSuffix = QStringLiteral("md");
    if (!m_fileURL.isEmpty()) {
        const QFileInfo info(m_fileURL.toLocalFile());
        options.directory = info.absolutePath();
        options.nameFieldStringValue = info.fileName();
    } else {
        options.nameFieldStringValue = displayName() + QStringLiteral(".md");
    }
    if (!prepareSavePanel(options))
        return false;
    const auto path = Dialogs::current().runSavePanel(windowForSheet(), options);
    if (!path || path->isEmpty())
        return false;
    QString type = DocumentTypes::typeForFileName(*path);
    if (type == QStringLiteral("application/octet-stream"))
        type = defaultType();
    MaybeError error;
    if (saveToURL(QUrl::fromLocalFile(*path), type, operation, &error))
        return true;
    if (error)
        presentError(*error);
    return false;
}

bool Document::revertToContentsOfURL(const QUrl& url, const QString& type, MaybeError* error)
{
    if (!readFromURL(url, type, error))
        return false;
    if (m_undoManager)
        m_undoManager->removeAllActions();
    m_timedSavesHeld = false;
    updateChangeCount(DocumentChange::Cleared);
    return true;
}

// --- Closing ---

void Document::canCloseDocument(QObject*, const std::function<void(bool)>& answer)
{
    if (!isDocumentEdited()) {
        answer(true);
        return;
    }
    AlertSpec alert;
    alert.messageText = QStringLiteral("Do you want to save the changes made to the document “%1”?").arg(displayName());
    alert.informativeText = QStringLiteral("Your changes will be lost if you don’t save them.");
    alert.buttons = { QStringLiteral("Save"), QStringLiteral("Cancel"), QStringLiteral("Don’t Save") };
    alert.cancelButton = 1;
    switch (Dialogs::current().runModalAlert(windowForSheet(), alert)) {
    case 0:
        answer(saveDocument(this) && !isDocumentEdited());
        return;
    case 2:
        answer(true);
        return;
    default:
        answer(false);
        return;
    }
}

void Document::close()
{
    if (m_closed)
        return;
    m_closed = true;
    emit documentClosed();
}

void Document::presentError(const DocumentError& error)
{
    AlertSpec alert;
    alert.messageText = error.message.isEmpty()
        ? QStringLiteral("The document “%1” could not be saved.").arg(displayName())
        : error.message;
    alert.style = AlertStyle::Critical;
    Dialogs::current().runModalAlert(windowForSheet(), alert);
}

} // namespace penwick::platform
