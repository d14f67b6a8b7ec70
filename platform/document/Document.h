#pragma once

#include "platform/document/DocumentError.h"
#include "platform/document/FileStamp.h"
#include "platform/document/FileWrapper.h"
#include "platform/text/UndoManager.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

class QWidget;

namespace penwick::platform {

struct SavePanelOptions;

// Kinds of change to a document's edited state.
enum class DocumentChange { Done, Undone, Redone, Cleared };

// Why a document is written: Save and SaveAs make the written file the document's file;
// SaveTo writes a copy and leaves the document as it was.
enum class SaveOperation { Save, SaveAs, SaveTo };

// A document: its file, type and name, its edited state, reading and safe writing,
// the save panel and the close review. Subclasses say how their content is read from
// and turned into a file wrapper.
//
// Edited state: a change count that done and redone changes raise, undone changes lower
// and a save clears. Undoing back to the saved text makes the document clean again; once
// the saved state can no longer be reached (a new change after undoing past it), the
// document stays edited until the next save.
class Document : public QObject {
    Q_OBJECT
public:
    using MaybeError = std::optional<DocumentError>; // none: failed without an error object

    explicit Document(QObject* parent = nullptr);
    ~Document() override;

    // --- File, type, name ---
    QUrl fileURL() const { return m_fileURL; }
    void setFileURL(const QUrl& url);
    QString fileType() const { return m_fileType; }
    void setFileType(const QString& type) { m_fileType = type; }
    // The file's name; for a document without a file a name given with setDisplayName(),
    // else "Untitled", "Untitled 2", ... numbered in the order the names are first asked for.
    QString displayName() const;
    // Names a document (a note, a restored draft); an empty name returns to the rule above.
    void setDisplayName(const QString& name);
    // The file was deleted (moved to the trash) while open: the next save asks where to
    // save, and timed saves write nothing, so the file is never made again unasked.
    bool isFileDeleted() const { return m_fileDeleted; }
    void setFileDeleted(bool deleted);
    QDateTime fileModificationDate() const { return m_fileModificationDate; }
    void setFileModificationDate(const QDateTime& date) { m_fileModificationDate = date; }

    // --- Edited state ---
    bool isDocumentEdited() const;
    int changeCount() const { return m_changeCount; }
    virtual void updateChangeCount(DocumentChange change);
    // The undo manager whose steps change the edited state (done, undone, redone). Not owned.
    void setUndoManager(UndoManager* undoManager);
    UndoManager* undoManager() const { return m_undoManager; }

    // --- Reading ---
    // Reads the item at `url` (a file or a folder) as `type`; on success the document's
    // modification date is the file's.
    bool readFromURL(const QUrl& url, const QString& type, MaybeError* error = nullptr);
    virtual bool readFromFileWrapper(const FileWrapper& wrapper, const QString& type, MaybeError* error) = 0;

    // --- Writing ---
    virtual std::optional<FileWrapper> fileWrapperOfType(const QString& type, MaybeError* error) = 0;
    // Writes the wrapper of `type` to `url` atomically: a failure leaves the old file untouched.
    bool writeToURL(const QUrl& url, const QString& type, SaveOperation operation, MaybeError* error = nullptr);
    // Every write to a real file goes through here; subclasses wrap it.
    virtual bool writeSafelyToURL(const QUrl& url, const QString& type, SaveOperation operation, MaybeError* error = nullptr);
    // writeSafelyToURL(); then for Save and SaveAs the file becomes the document's, its
    // modification date is taken and the edited state is cleared.
    bool saveToURL(const QUrl& url, const QString& type, SaveOperation operation, MaybeError* error = nullptr);

    // The Save command: in place when the document has a file, else through the save panel.
    // Failures are presented to the user. Answers whether the document was written.
    // A file that another program changed since it was read or saved is not written over
    // without asking ("Save Anyway", "Revert", "Cancel"); after Cancel, timed saves (no
    // sender) of this document wait until the person saves or reverts. The same after a timed
    // save that failed (a read-only file): the error is shown once, not at every firing.
    virtual bool saveDocument(QObject* sender);
    // The file on disk is not the one this document last read or wrote: another inode, size or
    // modification time, or other bytes where the time cannot tell (a write in the same clock
    // tick). A file that is gone counts as unchanged.
    bool fileChangedOnDisk() const;
    bool timedSavesHeld() const { return m_timedSavesHeld; }
    // Save As: always through the save panel.
    bool saveDocumentAs();
    // Shapes the save panel before it runs; answer false to cancel.
    virtual bool prepareSavePanel(SavePanelOptions& options);
    // The type new files are written as, and the save panel's filters.
    virtual QString defaultType() const;
    virtual QStringList writableNameFilters() const;

    // Reads the file again; the edited state is cleared and the undo history dropped.
    virtual bool revertToContentsOfURL(const QUrl& url, const QString& type, MaybeError* error = nullptr);

    // --- Windows and closing ---
    // Asked when the document needs a window; the base makes none.
    virtual void makeWindowControllers() {}
    // The window that the document's alerts and panels attach to.
    virtual QWidget* windowForSheet() const { return nullptr; }
    // Whether the document may close: a clean document may; an edited one asks the user
    // to save, not save or cancel. `asker` is who asks (a window, the document controller).
    virtual void canCloseDocument(QObject* asker, const std::function<void(bool shouldClose)>& answer);
    virtual void close();
    bool isClosed() const { return m_closed; }
    // Shows an error to the user.
    virtual void presentError(const DocumentError& error);

signals:
    void fileURLChanged(const QUrl& url);
    void editedStateChanged(bool edited);
    void documentClosed();

private:
    bool runSavePanelAndSave(SaveOperation operation);
    // Whether a save may write over a file changed elsewhere; may revert instead.
    bool mayOverwriteOutsideChange(bool timed);

    QUrl m_fileURL;
    QString m_fileType;
    QString m_displayName;
    mutable int m_untitledNumber = 0;
    QDateTime m_fileModificationDate;
    FileVersion m_fileVersion;       // what was last read from or written to the file
    QByteArray m_lastWrittenDigest;  // of the bytes the last writeToURL() wrote
    int m_changeCount = 0;
    bool m_savedStateLost = false;
    QPointer<UndoManager> m_undoManager;
    QList<QMetaObject::Connection> m_undoConnections;
    bool m_closed = false;
    bool m_timedSavesHeld = false;
    bool m_fileDeleted = false;
};

} // namespace penwick::platform
