#include "shell/TVXDocument.h"

#include "CoreMagicStrings.h"
#include "platform/Dialogs.h"
#include "platform/document/DocumentTypes.h"
#include "platform/document/FileWatch.h"
#include "shell/EditorViewControllerInterface.h"
#include "Extensions/FileManagerAdditions.h"
#include "Extensions/Realm.h"
#include "Extensions/StringAdditions.h"
#include "Models/ScratchDocument.h"
#include "Models/ShadowDocument.h"
#include "common/AppLogger.h"
#include "common/MagicStrings.h"
#include "common/Notifications.h"
#include "shell/TVXDocumentController.h"
#include "sidebar/SidebarDocumentHost.h"

#include <QFile>
#include <QStringDecoder>

#include <cstdio>
#include <QUuid>
#include <QWidget>

namespace penwick {

using platform::DocumentChange;
using platform::DocumentError;
using platform::DocumentTypes;
using platform::FileWrapper;

namespace {

std::function<void(TVXDocument*)>& saveSessionHandler()
{
    static std::function<void(TVXDocument*)> handler;
    return handler;
}

TVXDocument::EditorFactory& editorFactory()
{
    static TVXDocument::EditorFactory factory;
    return factory;
}

DocumentError documentError(int code, const QString& message)
{
    return DocumentError { TVXDocument::documentErrorDomain(), code, message };
}

std::optional<QUrl> nonEmpty(const QUrl& url)
{
    return url.isEmpty() ? std::nullopt : std::optional<QUrl>(url);
}

// The scheme exactly as written (QUrl lower-cases it).
bool hasScheme(const QUrl& url, const QString& scheme)
{
    const QString text = url.toString(QUrl::FullyEncoded);
    return text.startsWith(scheme + QLatin1Char(':'));
}

} // namespace

// The document as the sidebar sees it.
class TVXDocumentSidebarView : public SidebarDocument {
public:
    explicit TVXDocumentSidebarView(TVXDocument* document) : m_document(document) {}
    std::optional<QUrl> canonicalURL() const override { return nonEmpty(m_document->canonicalURL()); }
    std::optional<QUrl> fileURL() const override { return nonEmpty(m_document->fileURL()); }
    std::optional<QUrl> pseudoURL() const override { return nonEmpty(m_document->pseudoURL()); }
    bool hasScratchNoteRecord() const override { return m_document->hasScratchNoteRecord(); }
    bool hasShadowNoteRecord() const override { return m_document->hasShadowNoteRecord(); }
    void setFileSystemItem(const std::weak_ptr<FolderNavigatorItem>& item) override { m_document->setFileSystemItem(item); }
    std::shared_ptr<FolderNavigatorItem> fileSystemItem() const override { return m_document->fileSystemItem(); }
    void setIsQuickOpen(bool quickOpen) override { m_document->setIsQuickOpen(quickOpen); }
    void setDefaultSaveLocationURL(const QUrl& folder) override { m_document->setDefaultSaveLocationURL(folder); }
    void postAutoSaveRestore(const QString& path) override { m_document->postAutoSaveRestore(path); }

private:
    TVXDocument* m_document;
};

SidebarDocument* TVXDocument::sidebarDocument()
{
    if (!m_sidebarDocument)
        m_sidebarDocument = std::make_unique<TVXDocumentSidebarView>(this);
    return m_sidebarDocument.get();
}

bool TVXDocument::hasScratchNoteRecord() const
{
    if (m_pseudoURL.host().isEmpty() || !hasScheme(m_pseudoURL, QStringLiteral("pwscratch")))
        return false;
    return Realm::objectForPrimaryKey<ScratchDocument>(m_pseudoURL.host()).has_value();
}

bool TVXDocument::hasShadowNoteRecord() const
{
    if (m_pseudoURL.host().isEmpty() || !hasScheme(m_pseudoURL, QStringLiteral("pwshadow")))
        return false;
    return Realm::objectForPrimaryKey<ShadowDocument>(m_pseudoURL.host()).has_value();
}

void TVXDocument::postAutoSaveRestore(const QString& path)
{
    const QStringList pieces = splitAt(fileName(path), QStringLiteral("_"));
    if (pieces.isEmpty())
        return;
    setDisplayName(pieces.last());
    if (auto* editor = editorViewController()) {
        if (QWidget* view = editor->view(); view && view->window() != view)
            view->window()->setWindowTitle(pieces.last());
        editor->updateDocument();
    }
    const bool isNew = m_tempFileURL.isEmpty();
    if (isNew) {
        QString why;
        const std::optional<QUrl> url = createTempFileURL(pieces.last(), &why);
        if (!url) {
            appLog().warning(QStringLiteral("Error restoring temp file: ") + why);
            return;
        }
        m_tempFileURL = *url;
    }
    updateChangeCount(DocumentChange::Done);
    if (auto* editor = editorViewController())
        editor->setChangedSinceLastTempAutoSave(true);
    // The new copy is written now and the session lists it at once: a second crash before the
    // next timed save must still find the tab. A failed write is tried again by the timer.
    if (isNew && autoSaveToTempFile() && saveSessionHandler())
        saveSessionHandler()(this);
}

const QString& TVXDocument::documentErrorDomain()
{
    static const QString domain = CoreMagicStrings::FULL_APP_PATH;
    return domain;
}

void TVXDocument::setEditorViewControllerFactory(EditorFactory factory)
{
    editorFactory() = std::move(factory);
}

TVXDocument::TVXDocument(QObject* parent)
    : platform::Document(parent)
    , m_uniqueID(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper())
{
    connect(this, &platform::Document::fileURLChanged, this, &TVXDocument::onFileURLChanged);
    platform::NotificationCenter::defaultCenter().addObserver(this, Notifications::MINI_NOTE_TITLE_EDITED, nullptr,
        [this](const platform::Notification& notification) { handleMiniNoteTitleEdited(notification); });
}

TVXDocument::~TVXDocument()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    releaseEditor();
}

// --- Editor ---

EditorViewControllerInterface* TVXDocument::editorViewController()
{
    if (m_editor && !m_editorObject)
        m_editor = nullptr; // deleted elsewhere (its window went)
    if (!m_editor && editorFactory()) {
        m_editor = editorFactory()(this);
        m_editorObject = m_editor ? m_editor->asQObject() : nullptr;
    }
    return m_editor;
}

void TVXDocument::releaseEditor()
{
    EditorViewControllerInterface* editor = std::exchange(m_editor, nullptr);
    if (editor && m_editorObject)
        m_editorObject->deleteLater();
    m_editorObject = nullptr;
}

QString TVXDocument::editorText(bool breakUndoCoalescing)
{
    if (auto* editor = editorViewController()) {
        if (auto text = editor->getTextStorage(breakUndoCoalescing))
            m_contents = *text;
    }
    return m_contents;
}

// --- Fields ---

void TVXDocument::setIsQuickOpen(bool quickOpen)
{
    m_isQuickOpen = quickOpen;
    if (auto* editor = editorViewController())
        editor->refreshIcon();
}

QString TVXDocument::filePath() const
{
    return fileURL().isEmpty() ? QString() : fileURL().toLocalFile();
}

TVXDocumentDelegate* TVXDocument::delegate() const
{
    // A delegate that is a QObject may be destroyed without telling the document.
    if (m_delegateIsObject && !m_delegateObject)
        return nullptr;
    return m_delegate;
}

void TVXDocument::setDelegate(TVXDocumentDelegate* delegate)
{
    m_delegate = delegate;
    m_delegateObject = dynamic_cast<QObject*>(delegate);
    m_delegateIsObject = m_delegateObject != nullptr;
}

QUrl TVXDocument::canonicalURL() const
{
    if (!m_pseudoURL.isEmpty())
        return m_pseudoURL;
    if (!fileURL().isEmpty())
        return fileURL();
    return m_tempFileURL;
}

// --- Windows and scripting ---

void TVXDocument::makeWindowControllers()
{
    platform::NotificationCenter::defaultCenter().post(DocumentNeedWindowNotification, this);
}

void TVXDocument::addWindowController(platform::WindowController* controller)
{
    if (!controller)
        return;
    m_controllerClassName = controller->scriptClassName();
    m_controllerSpecifier = std::make_shared<const platform::ObjectSpecifier>(controller->objectSpecifier());
    controller->setDocument(this);
}

platform::ObjectSpecifier TVXDocument::objectSpecifier() const
{
    return platform::ObjectSpecifier { m_controllerClassName, m_controllerSpecifier, QStringLiteral("documents"), m_uniqueID };
}

QWidget* TVXDocument::windowForSheet() const
{
    if (auto* d = delegate())
        return d->getAttachedWindow();
    return nullptr;
}

// --- Edited state ---

void TVXDocument::updateChangeCount(DocumentChange change)
{
    platform::Document::updateChangeCount(change);
    if (auto* d = delegate())
        d->documentDidUpdate(this);
}

// --- Reading ---

bool TVXDocument::canLoadType(const QString& type)
{
    for (const QString& refused : { DocumentTypes::Image, DocumentTypes::AudiovisualContent, DocumentTypes::Directory, DocumentTypes::Application }) {
        if (DocumentTypes::conformsTo(type, refused))
            return false;
    }
    return true;
}

bool TVXDocument::readFromFileWrapper(const FileWrapper& wrapper, const QString& type, MaybeError* error)
{
    if (error)
        error->reset();
    // Before the type rule: a folder is accepted although its type is refused.
    if (wrapper.isDirectory()) {
        m_isDirectory = true;
        return true;
    }
    if (!canLoadType(type))
        return false;
    bool text = false;
    for (const QString& kind : { DocumentTypes::PlainText, DocumentTypes::HTML, DocumentTypes::XML, DocumentTypes::Text, DocumentTypes::Data })
        text = text || DocumentTypes::conformsTo(type, kind);
    if (!text)
        return false;
    if (!utfTextReadFileWrapper(wrapper, error))
        return false;
    setFileType(type);
    return true;
}

bool TVXDocument::utfTextReadFileWrapper(const FileWrapper& wrapper, MaybeError* error)
{
    const auto& bytes = wrapper.regularFileContents();
    if (!bytes) {
        if (error)
            *error = documentError(UnreadableContents, QStringLiteral("The file has no readable contents."));
        return false;
    }
    // Strict: one invalid byte fails the whole read. A byte-order mark stays in the text so
    // that the file is written back as it was.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(*bytes);
    if (decoder.hasError()) {
        if (error)
            *error = documentError(UnreadableContents, QStringLiteral("The file is not valid UTF-8 text."));
        return false;
    }
    m_contents = std::move(text);
    return true;
}

// --- Writing ---

std::optional<FileWrapper> TVXDocument::fileWrapperOfType(const QString& type, MaybeError* error)
{
    for (const QString& kind : { DocumentTypes::PlainText, DocumentTypes::HTML, DocumentTypes::XML, DocumentTypes::Data }) {
        if (DocumentTypes::conformsTo(type, kind))
            return utfTextFileWrapper(error);
    }
    if (DocumentTypes::conformsTo(type, DocumentTypes::Text))
        return txtFileWrapper(error);
    if (error)
        *error = documentError(NotText, QStringLiteral("The document cannot be written as “%1”.").arg(type));
    return std::nullopt;
}

std::optional<FileWrapper> TVXDocument::utfTextFileWrapper(MaybeError*)
{
    // The editor's file text keeps the loaded line ends and no-break spaces.
    const QString text = editorText(true);
    FileWrapper wrapper = FileWrapper::regularFile(text.toUtf8());
    if (auto* editor = editorViewController())
        editor->updateDocument();
    return wrapper;
}

std::optional<FileWrapper> TVXDocument::txtFileWrapper(MaybeError*)
{
    FileWrapper wrapper = FileWrapper::regularFile(convertToASCII().toLatin1());
    if (auto* editor = editorViewController())
        editor->updateDocument();
    return wrapper;
}

QString TVXDocument::convertToASCII()
{
    const QString text = editorText(true);
    bool ascii = true;
    for (const QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        return text;
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() < 0x7F)
            kept.append(c);
    }
    return kept;
}

bool TVXDocument::prepareSavePanel(platform::SavePanelOptions& options)
{
    if (!m_defaultSaveLocationURL.isEmpty())
        options.directory = m_defaultSaveLocationURL.toLocalFile();
    return true;
}

// --- Saving ---

void TVXDocument::setSaveSessionHandler(std::function<void(TVXDocument*)> handler)
{
    saveSessionHandler() = std::move(handler);
}

bool TVXDocument::saveDocument(QObject* sender)
{
    bool saved = false;
    if (!fileURL().isEmpty() || sender)
        saved = platform::Document::saveDocument(sender);
    else if (!m_pseudoURL.isEmpty())
        saved = saveMiniDocument();
    else
        autoSaveToTempFile();
    setIsQuickOpen(false);
    return saved;
}

std::optional<QUrl> TVXDocument::createTempFileURL(const QString& displayName, QString* error)
{
    const QString folder = appendPathComponent(getApplicationDirectoryPath(MagicStrings::APPNAME), MagicStrings::AUTOSAVE_TEMP_FOLDER);
    if (const auto failure = createDirectoryAtPath(folder)) {
        if (error)
            *error = failure->message;
        return std::nullopt;
    }
    // A new UUID stands for the process's globally unique string: every call differs.
    const QString name = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + QLatin1Char('_') + displayName
        + QLatin1Char('.') + MagicStrings::AUTOSAVE_TEMP_FILE_EXT;
    return QUrl::fromLocalFile(appendPathComponent(folder, name));
}

bool TVXDocument::autoSaveToTempFile()
{
    if (!fileURL().isEmpty())
        return false;
    EditorViewControllerInterface* editor = editorViewController();
    if (!editor)
        return false;
    if (!editor->changedSinceLastTempAutoSave())
        return !m_tempFileURL.isEmpty() && checkIfFileExists(m_tempFileURL.toLocalFile());
    const bool isNew = m_tempFileURL.isEmpty();
    auto warn = [this](const QString& why) {
        appLog().warning(QStringLiteral("Error saving temp file %1: %2").arg(displayName(), why));
    };
    if (isNew) {
        QString why;
        const std::optional<QUrl> url = createTempFileURL(displayName(), &why);
        if (!url) {
            warn(why);
            return false;
        }
        m_tempFileURL = *url;
    }
    const QString path = m_tempFileURL.toLocalFile();
    const auto text = editor->getTextStorage(false);
    if (path.isEmpty() || !text)
        return false;
    // Atomically: a crash or a full disk mid-write leaves the previous copy whole.
    if (const auto error = writeToFile(*text, path, true)) {
        warn(error->message);
        return false;
    }
    editor->setChangedSinceLastTempAutoSave(false);
    if (isNew && saveSessionHandler())
        saveSessionHandler()(this);
    std::fprintf(stdout, "Saved to: %s\n", qPrintable(path));
    std::fflush(stdout);
    return true;
}

bool TVXDocument::saveForTermination()
{
    if (!isDocumentEdited() || m_isDirectory)
        return true;
    if (isNote())
        return saveMiniDocument();
    if (fileURL().isEmpty())
        return autoSaveToTempFile();
    if (!fileChangedOnDisk()) {
        MaybeError error;
        const QString type = fileType().isEmpty() ? defaultType() : fileType();
        if (saveToURL(fileURL(), type, platform::SaveOperation::Save, &error))
            return true;
        appLog().error(QStringLiteral("Error saving %1 at termination: %2").arg(filePath(), error ? error->message : QString()));
    }
    // The other program's version stays; ours becomes a draft.
    QString why;
    const std::optional<QUrl> draft = createTempFileURL(displayName(), &why);
    if (draft) {
        if (const auto error = writeToFile(editorText(false), draft->toLocalFile(), true))
            why = error->message;
        else
            return true;
    }
    appLog().error(QStringLiteral("Error saving a draft of %1: %2").arg(filePath(), why));
    return false;
}

void TVXDocument::unlinkTempFile()
{
    if (m_tempFileURL.isEmpty())
        return;
    const QString path = m_tempFileURL.toLocalFile();
    QFile file(path);
    if (file.exists() && !file.remove()) {
        appLog().error(QStringLiteral("Error unlinking temp: ") + file.errorString());
        return;
    }
    m_tempFileURL.clear();
}

bool TVXDocument::writeSafelyToURL(const QUrl& url, const QString& type, platform::SaveOperation operation, MaybeError* error)
{
    // The file first: a refused write leaves the note and its record as they were.
    if (!platform::Document::writeSafelyToURL(url, type, operation, error))
        return false;
    if (operation == platform::SaveOperation::SaveTo)
        return true;
    detachNoteAfterFileWrite();
    unlinkTempFile();
    if (saveSessionHandler())
        saveSessionHandler()(this);
    return true;
}

void TVXDocument::canCloseDocument(QObject* asker, const std::function<void(bool)>& answer)
{
    if (!m_pseudoURL.isEmpty())
        saveMiniDocument();
    const bool atQuit = qobject_cast<TVXDocumentController*>(asker) != nullptr;
    // At quit an untitled document is never asked about, whether or not its first timed copy
    // has been made: its text goes to its temporary copy (made now if need be, which lists it
    // in the session) and comes back with the next session. The edited state stays: a quit
    // that another document refuses leaves this one as it was. Only a copy that cannot be
    // written leaves the question.
    const bool untitled = fileURL().isEmpty() && m_pseudoURL.isEmpty() && !m_isDirectory;
    if (atQuit && untitled && (!m_tempFileURL.isEmpty() || isDocumentEdited()) && autoSaveToTempFile()) {
        answer(true);
        return;
    }
    platform::Document::canCloseDocument(asker, answer);
}

// --- Notes ---

void TVXDocument::handleMiniNoteTitleEdited(const platform::Notification& notification)
{
    const QVariantMap& payload = notification.userInfo;
    const QVariant title = payload.value(Notifications::MINI_NOTE_EDITED_TITLE_PAYLOAD);
    const QVariant oldURL = payload.value(Notifications::MINI_NOTE_EDITED_OLDURL_PAYLOAD);
    const QVariant newURL = payload.value(Notifications::MINI_NOTE_EDITED_NEWURL_PAYLOAD);
    if (title.typeId() != QMetaType::QString || oldURL.typeId() != QMetaType::QUrl || newURL.typeId() != QMetaType::QUrl)
        return;
    // The old URL carries the old title: only the tab of exactly that note reacts.
    if (m_pseudoURL.isEmpty() || oldURL.toUrl().toEncoded() != m_pseudoURL.toEncoded())
        return;
    m_pseudoURL = newURL.toUrl();
    setDisplayName(title.toString());
    if (auto* editor = editorViewController()) {
        if (QWidget* view = editor->view(); view && view->window() != view)
            view->window()->setWindowTitle(title.toString());
        editor->updateDocument();
    }
}

// --- Closing ---

void TVXDocument::onFileURLChanged()
{
    if (auto* editor = editorViewController())
        editor->setTitle(isFileDeleted() ? displayName() + QStringLiteral(" (deleted)") : displayName());
    // The tab and the window show the new name (or the deletion) at once.
    if (TVXDocumentDelegate* owner = delegate()) {
        owner->documentDidUpdate(this);
        owner->documentFileURLDidChange(this);
    }
    // The file is watched for changes made by other programs.
    if (m_isDirectory || isClosed())
        return;
    if (!m_fileWatch) {
        m_fileWatch = new platform::FileWatch(this);
        connect(m_fileWatch, &platform::FileWatch::changed, this, &TVXDocument::presentedItemDidChange);
    }
    m_fileWatch->watch(fileURL().isEmpty() ? QString() : fileURL().toLocalFile());
}

void TVXDocument::close()
{
    if (m_editor && m_editorObject)
        m_editor->removeDelegates();
    releaseEditor();
    m_fileSystemItem.reset();
    if (m_fileWatch)
        m_fileWatch->watch(QString());
    platform::Document::close();
}

} // namespace penwick
