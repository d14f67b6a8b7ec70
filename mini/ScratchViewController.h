#pragma once

#include "EditViewController.h"
#include "Models/ScratchDocument.h"
#include "platform/text/TextRange.h"

#include <QDateTime>
#include <QLocale>

#include <functional>
#include <optional>

namespace penwick {

// The scratch page: one free note at a time, stored as a ScratchDocument. A new note is
// transient (in memory only) until the user types into it or edits its title; it is written
// when the page disappears, on the save command and before another new note is made. Each
// appearance reloads it from the database, so that edits made in Penwick show up.
//
// A note whose save failed before it was ever stored stays in memory with its text and is
// written at the next save; only a stored note that is gone from the database gives way to a
// new untitled note.
class ScratchViewController : public EditViewController {
    Q_OBJECT
public:
    explicit ScratchViewController(QWidget* parent = nullptr);

    const std::optional<ScratchDocument>& scratchDocument() const { return m_document; }
    QToolButton* addNewScratchNoteBtn() const { return m_addButton; }

    std::optional<StoreError> saveDocument() override;
    void becomeInTransient() override;
    bool canSaveNote() const override;
    void viewWillAppear() override;
    void viewWillDisappear() override;

    // Saves the current note (when it is not transient) and starts a new untitled one; false
    // (logged) when the save failed, and the current note stays.
    bool addNewScratchNote();
    std::optional<StoreError> createDocument();

    // "Untitled - " and the date in the locale's form of "yy-MM-dd HH:mm", without commas.
    static QString untitledTitle(const QDateTime& now, const QLocale& locale);
    // For tests: where "now" and the locale come from.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    void setLocale(const QLocale& locale) { m_locale = locale; }

private:
    void loadDocument();
    QDateTime now() const { return m_clock ? m_clock() : QDateTime::currentDateTime(); }

    // Whether the note's title or text differ from what the database holds, as far as this
    // page knows: a save that would write the same again writes nothing, so that a note
    // Penwick edited meanwhile is not written back over.
    bool differsFromStored(const QString& title, const QString& content) const;
    void rememberStored(const ScratchDocument& note);

    std::optional<ScratchDocument> m_document;
    bool m_stored = false; // the note has been committed to the database
    QString m_storedTitle;
    QString m_storedContent;
    QToolButton* m_addButton = nullptr;
    std::optional<platform::TextRanges> m_selectedRangesBeforeDisappearance;
    std::optional<QString> m_selectedDocumentIdBeforeDisappearance;
    std::function<QDateTime()> m_clock;
    QLocale m_locale;
};

} // namespace penwick
