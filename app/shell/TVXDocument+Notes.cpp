// Scratch and shadow notes shown in a tab: read from and written to their database records,
// reloaded when the record changed elsewhere, and turned into a file document when saved as one.
#include "shell/TVXDocument.h"

#include "Extensions/FileManagerAdditions.h"
#include "Extensions/Realm.h"
#include "Models/ScratchDocument.h"
#include "Models/ShadowDocument.h"
#include "platform/StandardLocations.h"
#include "platform/UserDefaults.h"
#include "common/AppLogger.h"
#include "shell/EditorViewControllerInterface.h"
#include "common/Prefs.h"

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

// Writes `text` into the note's record with a new date; the date written, or none on failure.
template <class Record>
std::optional<QDateTime> storeNoteText(const Record& found, const QString& text)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto error = Realm::write([&](RealmTransaction& tx) {
        // The record as it is inside the transaction, so fields written elsewhere survive.
        std::optional<Record> record = tx.objectForPrimaryKey<Record>(found.id());
        if (!record) {
            tx.cancel(StoreError { StoreErrorCode::Cancelled, QStringLiteral("The note no longer exists.") });
            return;
        }
        record->setContent(text);
        record->setUpdatedDate(now);
        tx.add(*record);
    });
    if (error) {
        appLog().error(error->message);
        return std::nullopt;
    }
    return now;
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
    std::optional<QDateTime> written;
    if (const auto scratch = asScratchDocument())
        written = storeNoteText(*scratch, editorText(true));
    else if (const auto shadow = asShadowDocument())
        written = storeNoteText(*shadow, editorText(true));
    else
        return false;
    // Only a committed transaction makes the document clean: a failed one keeps it edited, so
    // the next save tries again and closing still asks.
    if (!written)
        return false;
    setFileModificationDate(*written);
    updateChangeCount(DocumentChange::Cleared);
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
