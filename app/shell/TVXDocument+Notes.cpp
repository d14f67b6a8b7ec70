// Scratch and shadow notes shown in a tab: read from and written to their database records,
// reloaded when the record changed elsewhere, and turned into a file document when saved as one.
#include "shell/TVXDocument.h"

#include "Extensions/FileManagerAdditions.h"
#include "Extensions/Realm.h"
#include "Models/ScratchDocument.h"
#include "Models/ShadowDocument.h"
#include "Services/NoteWriter.h"
#include "platform/StandardLocations.h"
#include "platform/UserDefaults.h"
#include "common/AppLogger.h"
#include "shell/EditorViewControllerInterface.h"
#include "common/Prefs.h"

#include <QPointer>
#include <QWidget>

namespace penwick {

using platform::DocumentChange;

namespace {

// The scheme exactly as written (QUrl lower-cases it).
bool hasExactScheme(const QUrl& url, const QString& scheme)
{
    return url.toString(QUrl::FullyEncoded).startsWith(scheme + QLatin1Char(':'));
}

template <class Record>
std::optional<Record> noteRecord(const QUrl& url, const QString& scheme)
{
    if (url.isEmpty() || url.host().isEmpty() || !hasExactScheme(url, scheme))
        return std::nullopt;
    return Realm::objectForPrimaryKey<Record>(url.host());
}

// Two absent dates are equal; an absent and a present one differ.
bool sameDate(const QDateTime& a, const QDateTime& b)
{
    if (!a.isValid() || !b.isValid())
        return a.isValid() == b.isValid();
    return a == b;
}

} // namespace

QIcon TVXDocument::scratchNoteIcon()
{
    const QString path = platform::resourcesDirectory() + QStringLiteral("/Images/scratchNote.svg");
    return checkIfFileExists(path) ? QIcon(path) : QIcon();
}

std::optional<ScratchDocument> TVXDocument::asScratchDocument() const
{
    return noteRecord<ScratchDocument>(m_pseudoURL, QStringLiteral("pwscratch"));
}

std::optional<ShadowDocument> TVXDocument::asShadowDocument() const
{
    return noteRecord<ShadowDocument>(m_pseudoURL, QStringLiteral("pwshadow"));
}

void TVXDocument::loadNote(const QString& content)
{
    m_contents = content;
    // Loading tells the window the text changed, which ends the quick-open state; the tab keeps it.
    const bool quickOpen = m_isQuickOpen;
    if (auto* editor = editorViewController())
        editor->loadDocument();
    m_isQuickOpen = quickOpen;
}

void TVXDocument::setAsScratchDocument(const ScratchDocument& note, const QUrl& url, const QString& title)
{
    becomeNote(url, title, scratchNoteIcon(), note.updatedDate(), note.content());
}

void TVXDocument::setAsShadowDocument(const ShadowDocument& note, const QIcon& icon, const QUrl& url, const QString& title)
{
    becomeNote(url, title, icon, note.updatedDate(), note.content());
}

void TVXDocument::becomeNote(const QUrl& url, const QString& title, const QIcon& icon, const QDateTime& updatedDate,
    const QString& content)
{
    m_pseudoURL = url;
    setDisplayName(title);
    m_icon = icon;
    // Whatever the record's date, the loaded text is the record's as of now.
    setFileModificationDate(updatedDate);
    loadNote(content.isNull() ? QString() : content);
    if (auto* editor = editorViewController()) {
        editor->updateDocument();
        if (QWidget* view = editor->view(); view && view->window() != view)
            view->window()->setWindowTitle(title);
    }
}

bool TVXDocument::saveMiniDocument()
{
    if (!isDocumentEdited())
        return true;
    NoteWriter* writer = NoteWriter::shared();
    const QString text = editorText(true);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QString className;
    platform::store::ObjectValues record;
    if (auto scratch = asScratchDocument()) {
        scratch->setContent(text);
        scratch->setUpdatedDate(now);
        className = ScratchDocument::className();
        record = scratch->toObjectValues();
    } else if (auto shadow = asShadowDocument()) {
        shadow->setContent(text);
        shadow->setUpdatedDate(now);
        className = ShadowDocument::className();
        record = shadow->toObjectValues();
    } else {
        return false;
    }
    if (!writer) {
        appLog().error(RealmSetup::unavailableError().message);
        return false;
    }
    // The write waits for the database on the writer's thread, never here. From now on the
    // writer answers for the text: it reaches the record, or the file of kept notes beside
    // the database. The date is the record's as soon as it is written, so that the change
    // notification of that write finds nothing to reload.
    const QDateTime before = fileModificationDate();
    setFileModificationDate(now);
    updateChangeCount(DocumentChange::Cleared);
    QPointer<TVXDocument> self(this);
    writer->update(className, record, { QStringLiteral("content"), QStringLiteral("updatedDate") },
        [self, url = m_pseudoURL, before, now](const NoteWriter::Result& result) {
            if (result.outcome != NoteWriter::Outcome::Failed)
                return;
            appLog().error(result.error ? result.error->message : QStringLiteral("The note could not be saved."));
            // Refused for good: the tab, if it still shows the note, holds the only copy, so
            // it counts as unsaved again and the record's date stays the one it read.
            if (!self || self->m_pseudoURL != url)
                return;
            if (self->fileModificationDate() == now)
                self->setFileModificationDate(before);
            self->updateChangeCount(DocumentChange::Done);
        });
    return true;
}

void TVXDocument::restoreMiniDocument()
{
    std::optional<QString> content;
    std::optional<QDateTime> updated;
    if (const auto shadow = asShadowDocument()) {
        content = shadow->content();
        updated = shadow->updatedDate();
    } else if (const auto scratch = asScratchDocument()) {
        content = scratch->content();
        updated = scratch->updatedDate();
    }
    if (!content || sameDate(*updated, fileModificationDate()))
        return;
    // The record is newer than what this tab last saved: it wins. The date is taken so that
    // the next change notification finds nothing to reload.
    setFileModificationDate(*updated);
    loadNote(content->isNull() ? QString() : *content);
}

bool TVXDocument::persistMiniDocumentToFile(QObject* sender)
{
    // The platform's save (a panel for a note, which has no file), not the note's own.
    const bool saved = platform::Document::saveDocument(sender ? sender : this);
    setIsQuickOpen(false);
    return saved;
}

void TVXDocument::detachNoteAfterFileWrite()
{
    if (m_pseudoURL.isEmpty())
        return;
    const auto scratch = asScratchDocument();
    const auto shadow = scratch ? std::nullopt : asShadowDocument();
    if (scratch || shadow) {
        // The setting keeps its stored sense: on deletes the record, off keeps it with the text.
        if (platform::UserDefaults::standard().boolForKey(Prefs::DOCS_RETAIN_DOC_AFTER_SAVE)) {
            const auto error = Realm::write([&](RealmTransaction& tx) {
                if (scratch)
                    tx.removeObject<ScratchDocument>(scratch->id());
                else
                    tx.removeObject<ShadowDocument>(shadow->id());
            });
            if (error)
                appLog().error(error->message); // the file holds the text; the record stays
        } else {
            saveMiniDocument();
        }
        appLog().info(QStringLiteral("Deleted document"));
    }
    m_pseudoURL.clear();
    m_icon = QIcon();
}

} // namespace penwick
