#pragma once

#include "platform/NotificationCenter.h"
#include "platform/document/Document.h"
#include "platform/document/WindowController.h"
#include "shell/DocumentBaseURLType.h"

#include "platform/Dialogs.h"

#include <QIcon>
#include <QPageLayout>
#include <QPointer>
#include <QWidget>
#include <QUrl>

#include <atomic>
#include <functional>
#include <memory>

class QAction;

namespace penwick {

namespace platform {
class FileWatch;
}

class EditorViewControllerInterface;
class FolderNavigatorItem;
class ScratchDocument;
class ShadowDocument;
class SidebarDocument;
class TVXDocument;

// The window controller that shows a document, as the document sees it.
class TVXDocumentDelegate {
public:
    virtual ~TVXDocumentDelegate() = default;
    // After every change of the document's change count.
    virtual void documentDidUpdate(TVXDocument* document) = 0;
    // The window that the document's sheets attach to.
    virtual QWidget* getAttachedWindow() = 0;
    // The document has another file (Save As, a rename) or lost it.
    virtual void documentFileURLDidChange(TVXDocument* /*document*/) {}
};

// The document of one tab: a text file (normally Markdown), a folder to add to the sidebar,
// a scratch or shadow note (identified by its note URL, no file), or an untitled document.
class TVXDocument : public platform::Document {
    Q_OBJECT
public:
    // Posted (object: the document, no user info) when the document needs a window.
    static inline const QString DocumentNeedWindowNotification = QStringLiteral("DocumentNeedWindowNotification");
    // The domain of read and write errors; codes below.
    static const QString& documentErrorDomain();
    enum ErrorCode {
        UnreadableContents = 40, // no readable contents, or not UTF-8
        NotText = 10,            // asked to write a type that is not text
    };

    using EditorFactory = std::function<EditorViewControllerInterface*(TVXDocument*)>;
    // How documents make their editor view controller (the application installs it).
    static void setEditorViewControllerFactory(EditorFactory factory);

    explicit TVXDocument(QObject* parent = nullptr);
    ~TVXDocument() override;

    // The editor of the document, made on first access through the factory (none without one).
    EditorViewControllerInterface* editorViewController();
    bool hasEditorViewController() const { return m_editor != nullptr; }

    // --- Fields ---
    bool isQuickOpen() const { return m_isQuickOpen; }
    // Also refreshes the tab icon.
    void setIsQuickOpen(bool quickOpen);
    bool isDirectory() const { return m_isDirectory; }
    void setIsDirectory(bool directory) { m_isDirectory = directory; }
    bool canClose() const { return m_canClose; }
    void setCanClose(bool canClose) { m_canClose = canClose; }
    bool isInMiddleOfRevert() const { return m_isInMiddleOfRevert; }
    void setIsInMiddleOfRevert(bool reverting) { m_isInMiddleOfRevert = reverting; }
    // The path of fileURL; empty without a file.
    QString filePath() const;
    QString contents() const { return m_contents; }
    void setContents(const QString& contents) { m_contents = contents; }
    TVXDocumentDelegate* delegate() const;
    void setDelegate(TVXDocumentDelegate* delegate);
    QUrl defaultSaveLocationURL() const { return m_defaultSaveLocationURL; }
    void setDefaultSaveLocationURL(const QUrl& url) { m_defaultSaveLocationURL = url; }
    QUrl pseudoURL() const { return m_pseudoURL; }
    void setPseudoURL(const QUrl& url) { m_pseudoURL = url; }
    QUrl baseURL() const { return m_baseURL; }
    void setBaseURL(const QUrl& url) { m_baseURL = url; }
    QUrl tempFileURL() const { return m_tempFileURL; }
    void setTempFileURL(const QUrl& url) { m_tempFileURL = url; }
    // The folder-tree row the document was opened from (held weakly; cleared on close).
    std::shared_ptr<FolderNavigatorItem> fileSystemItem() const { return m_fileSystemItem.lock(); }
    void setFileSystemItem(const std::weak_ptr<FolderNavigatorItem>& item) { m_fileSystemItem = item; }
    QIcon icon() const { return m_icon; }
    void setIcon(const QIcon& icon) { m_icon = icon; }
    QString uniqueID() const { return m_uniqueID; }
    // The view printed in place of the editor while a PDF export runs.
    QWidget* previewView() const { return m_previewView; }
    void setPreviewView(QWidget* view) { m_previewView = view; }

    // The note URL, else the file URL, else the temporary copy's URL, else empty: the
    // identity of a document for sessions and lookups.
    QUrl canonicalURL() const;

    // --- Windows and scripting ---
    // Asks for a window by notification; the application picks or makes it.
    void makeWindowControllers() override;
    void addWindowController(platform::WindowController* controller);
    // "documents" element of the window, by uniqueID.
    platform::ObjectSpecifier objectSpecifier() const;
    QWidget* windowForSheet() const override;

    // --- Edited state ---
    void updateChangeCount(platform::DocumentChange change) override;

    // --- Reading and writing ---
    static bool canLoadType(const QString& type);
    bool readFromFileWrapper(const platform::FileWrapper& wrapper, const QString& type, MaybeError* error) override;
    bool utfTextReadFileWrapper(const platform::FileWrapper& wrapper, MaybeError* error);
    std::optional<platform::FileWrapper> fileWrapperOfType(const QString& type, MaybeError* error) override;
    std::optional<platform::FileWrapper> utfTextFileWrapper(MaybeError* error);
    // Writes only ASCII: every character from U+007F up is dropped once any non-ASCII one is
    // present. Only a text type that is not data would reach it, and every text type is data,
    // so no real save goes through it.
    std::optional<platform::FileWrapper> txtFileWrapper(MaybeError* error);
    QString convertToASCII();

    bool prepareSavePanel(platform::SavePanelOptions& options) override;

    // The save dispatch: with a file or a sender, the ordinary save (a panel for a new file);
    // a timed save (no sender) of an untitled document writes its temporary copy instead. A
    // note's timed save belongs to the note layer. Every save ends the quick-open state.
    bool saveDocument(QObject* sender) override;
    // Writes the temporary copy of an untitled document when its text changed since the last
    // one. Answers whether the copy on disk holds the editor's text (written now, or unchanged
    // since the last write); false when nothing could be written.
    bool autoSaveToTempFile();
    // The URL of a new temporary copy named after `displayName` (the folder is made; nothing is
    // written); the error message when the folder cannot be made.
    static std::optional<QUrl> createTempFileURL(const QString& displayName, QString* error = nullptr);
    // Deletes the temporary copy; a failure is logged and the URL kept.
    void unlinkTempFile();
    // Keeps unsaved work as Penwick is ended from outside (a termination signal, a logout),
    // without asking anything: a note into its record, an untitled document into its temporary
    // copy, a file into itself. A file that another program changed, or that cannot be written,
    // is left alone and the text goes to a new temporary copy (a draft) instead. Answers whether
    // the text is somewhere on disk now.
    bool saveForTermination();
    // Asked to save the session: when a temporary copy is written for the first time, and after
    // every write to a real file (the session lists the document under its new URL).
    static void setSaveSessionHandler(std::function<void(TVXDocument*)> handler);

    // Every write to a real file: the file is written first; only then does a note become an
    // ordinary file document and the temporary copy go.
    bool writeSafelyToURL(const QUrl& url, const QString& type, platform::SaveOperation operation, MaybeError* error = nullptr) override;
    // A note saves itself into its record first. At quit (`asker` is the document controller)
    // an untitled document with a temporary copy writes it and closes without a question, but
    // only once the copy is on disk; otherwise it is asked about like any edited document.
    void canCloseDocument(QObject* asker, const std::function<void(bool shouldClose)>& answer) override;

    // The document as the sidebar sees it.
    SidebarDocument* sidebarDocument();
    // Whether the note's database record exists (the scheme must match exactly).
    bool hasScratchNoteRecord() const;
    bool hasShadowNoteRecord() const;
    // Turns a document reopened from the temporary copy at `path` back into an untitled
    // document named as before (the name after the copy's last "_"), edited, with a new copy
    // to be written at the next timed save.
    void postAutoSaveRestore(const QString& path);

    // --- Base URL ---
    // The folder the preview resolves against, by the document's stored choice (its own
    // entry, else the last choice made, else its parent folder), with the type that gave
    // it: a root or custom folder that cannot be found falls back to the parent folder.
    // Folder URLs end with "/". None (and None) without a file or for an unknown type.
    std::pair<std::optional<QUrl>, DocumentBaseURLType> determineBaseURLAndType() const;
    std::optional<QUrl> determineBaseURL() const { return determineBaseURLAndType().first; }

    // --- Exports and printing (TVXDocument+Export.cpp) ---
    // The HTML export panel's check box, whose state the window keeps between exports.
    struct ExportAccessory {
        QString checkBoxTitle;
        bool checked = false;
    };
    // Gets the HTML body and the chosen file; runs on a pool thread.
    using HTMLExportHandler = std::function<void(const QString& html, const QUrl& url)>;
    // Where a print job goes: the PDF file at `saveToPath`, else the printer of the print panel.
    struct PrintSettings {
        QString saveToPath;
    };
    // Told when a print job has ended, with whether it worked.
    using DidPrintHandler = std::function<void(TVXDocument* document, bool success)>;

    // A panel for an AIFF file, then the editor's text spoken into it off the GUI thread. A
    // failure shows an alert; success shows nothing.
    void exportAudioFile();
    // A panel for an HTML file (with the accessory's check box, whose state is written back),
    // then the text rendered off the GUI thread and handed to `handler` with the chosen file.
    void exportToHTMLWithAccessoryView(ExportAccessory* accessory, HTMLExportHandler handler);
    // Runs its argument once the preview has handed its last rendering to its view.
    using PreviewRendered = std::function<void(std::function<void()>)>;
    // A panel for a PDF file, then `view` (the rendered preview) printed into it, once
    // `whenRendered` says its page is in; `handler` runs when the job has ended, success or not.
    // Cancelling calls nothing.
    void exportToPDFFromView(QWidget* view, std::function<void()> handler, PreviewRendered whenRendered = {});
    // The page set-up of every print and PDF export: the default paper with the margins of the
    // "pdfExport…Margins" settings, read anew at each call.
    QPageLayout printInfo() const;
    // The menu's print: the print panel, then the editor's text (or the preview during a PDF export).
    void printDocument();
    // A print job; when it ends, `didPrint` is told, else `context` is called.
    void printDocumentWithSettings(const PrintSettings& settings, bool showPrintPanel, DidPrintHandler didPrint,
        std::function<void()> context);
    // The end of every print job of the document; clears previewView.
    void documentDidPrint(bool success, const DidPrintHandler& didPrint, const std::function<void()>& context);

    // --- Notes ---
    // The record of this note; none without a note URL, for another scheme (compared exactly)
    // or when the record is gone.
    std::optional<ScratchDocument> asScratchDocument() const;
    std::optional<ShadowDocument> asShadowDocument() const;
    bool isNote() const { return !m_pseudoURL.isEmpty(); }
    // Makes this document the editor of a note: its URL, title, text and icon.
    void setAsScratchDocument(const ScratchDocument& note, const QUrl& url, const QString& title);
    void setAsShadowDocument(const ShadowDocument& note, const QIcon& icon, const QUrl& url, const QString& title);
    // Writes the editor's text into the note's record when the document is edited. The edited
    // state is cleared only once the transaction is committed; a failure is logged and the
    // document stays edited. Answers whether the record now holds the text.
    bool saveMiniDocument();
    // Reloads the text from the record when the record changed since the last save.
    void restoreMiniDocument();
    // Saves the note as a file through the save panel (the record follows the setting
    // "retainMiniDocumentAfterSave" once the file is written).
    bool persistMiniDocumentToFile(QObject* sender);
    // The tab icon of scratch notes.
    static QIcon scratchNoteIcon();
    // A note got a new title in the sidebar ("miniNoteEdited"): the tab showing that note follows.
    void handleMiniNoteTitleEdited(const platform::Notification& notification);

    // --- Changes made by other programs ---
    // The file changed on disk. An unedited document whose file has a new date reloads it,
    // later on the main thread, and only if nothing was typed meanwhile; "Error reverting file
    // contents" is logged when the date or the file cannot be read.
    void presentedItemDidChange();
    // The platform's revert, then the editor shows the text read.
    bool revertToContentsOfURL(const QUrl& url, const QString& type, MaybeError* error = nullptr) override;
    bool isWatchingFile() const;

    // --- The text as HTML ---
    // The whole text, and the selected ranges widened to whole lines, as HTML: for each text its
    // front-matter table, then its body, with nothing between the pieces.
    QString getAllTextAsHTML();
    QString getSelectedTextsAsHTML();
    static QString htmlOfMarkdownTexts(const QStringList& texts);
    // Puts that HTML on the clipboard as plain text: the texts are taken now, formatted on a
    // worker thread and written to the clipboard on the GUI thread (htmlCopied follows).
    void copyHTMLToClipboard();
    void copySelectedTextAsHTML();

    // --- Menu validation ---
    // "Save" for a file or a note, "Save..." for an untitled document.
    QString saveMenuTitle() const;
    // The first selected range is not empty.
    bool canCopySelectedTextAsHTML();
    // Items named "saveDocument" take their title; "copySelectedTextAsHTML" its enabled state.
    bool validateMenuItem(QAction* item);

    void close() override;

signals:
    // The clipboard holds the HTML of a copy command.
    void htmlCopied(const QString& html);
    // An audio export has ended: the file is complete, or (ok false) an alert said why not.
    void audioExportEnded(const QString& path, bool ok);

private:
    enum class ExportKind { Audio, HTML, PDF };
    platform::SavePanelOptions exportPanelOptions(ExportKind kind) const;
    void runPrintOperation(const PrintSettings& settings, bool showPrintPanel, std::function<void(bool)> finished);
    void showExportFailure(const QString& message, const QString& reason) const;
    QString editorText(bool breakUndoCoalescing);
    void loadNote(const QString& content);
    // Shows a note's record: its URL, title, icon, date and text.
    void becomeNote(const QUrl& url, const QString& title, const QIcon& icon, const QDateTime& updatedDate, const QString& content);
    void detachNoteAfterFileWrite();
    void revertAfterOutsideChange();
    void copyTextsAsHTML(const QStringList& texts);
    void releaseEditor();
    void onFileURLChanged();

    QPointer<QObject> m_editorObject;
    EditorViewControllerInterface* m_editor = nullptr;
    QString m_controllerClassName;
    std::shared_ptr<const platform::ObjectSpecifier> m_controllerSpecifier;
    QPointer<QWidget> m_previewView;
    PreviewRendered m_whenPreviewRendered;
    std::atomic<bool> m_isQuickOpen { false };
    bool m_isDirectory = false;
    std::atomic<bool> m_canClose { false };
    bool m_isInMiddleOfRevert = false;
    QString m_contents;
    TVXDocumentDelegate* m_delegate = nullptr;
    QPointer<QObject> m_delegateObject; // the delegate as a QObject, to notice its destruction
    bool m_delegateIsObject = false;
    QUrl m_defaultSaveLocationURL;
    QUrl m_pseudoURL;
    QUrl m_baseURL;
    QUrl m_tempFileURL;
    std::weak_ptr<FolderNavigatorItem> m_fileSystemItem;
    std::unique_ptr<SidebarDocument> m_sidebarDocument;
    QIcon m_icon;
    QString m_uniqueID;
    platform::FileWatch* m_fileWatch = nullptr;
    bool m_revertScheduled = false;
};

} // namespace penwick
