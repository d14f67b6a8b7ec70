#include "ScratchViewController.h"

#include "Extensions/DateTemplateFormatting.h"
#include "Extensions/Realm.h"
#include "MiniLog.h"
#include "Services/NoteWriter.h"
#include "TextEditor/TextEditorView.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QToolButton>

namespace penwick {

ScratchViewController::ScratchViewController(QWidget* parent)
    : EditViewController(parent)
{
    setObjectName(QStringLiteral("ScratchViewController"));
    m_addButton = new QToolButton(this);
    m_addButton->setObjectName(QStringLiteral("addNewScratchNoteBtn"));
    m_addButton->setText(QStringLiteral("+"));
    m_addButton->setToolTip(tr("New scratch note"));
    headerLayout()->addWidget(m_addButton);
    connect(m_addButton, &QToolButton::clicked, this, [this] { addNewScratchNote(); });
    connect(titleField(), &QLineEdit::textEdited, this, [this] { becomeInTransient(); });
}

QString ScratchViewController::untitledTitle(const QDateTime& now, const QLocale& locale)
{
    QString date = formatDateFromTemplate(now, QStringLiteral("yy-MM-dd HH:mm"), locale);
    date.remove(QLatin1Char(','));
    return QStringLiteral("Untitled - ") + date;
}

void ScratchViewController::loadDocument()
{
    if (m_document && m_document->isTransient()) {
        m_document->setTitle(untitledTitle(now(), m_locale));
        titleField()->setText(m_document->title());
        return;
    }
    bool makeNew = !m_document;
    NoteWriter* writer = NoteWriter::shared();
    const auto unsettled = m_document && writer ? writer->unsettledNote(ScratchDocument::className(), m_document->id()) : std::nullopt;
    if (unsettled) {
        // Not in the database yet (waiting for its lock, or kept beside it): the page's own
        // note is the newest there is.
        m_document = ScratchDocument::fromObjectValues(*unsettled);
        m_document->setTransient(false);
    } else if (m_document && m_stored) {
        StoreError error; // every store error has a message; an empty one means none came
        const auto fetched = Realm::objectForPrimaryKey<ScratchDocument>(m_document->id(), &error);
        if (fetched) {
            m_document = fetched;
            m_document->setTransient(false);
            rememberStored(*fetched);
        } else if (error.message.isEmpty()) {
            makeNew = true; // deleted elsewhere
        } else {
            // Unreadable: the note stays as this page knows it.
            miniLog().error(QStringLiteral("Error reading scratch document: ") + error.message);
        }
    }
    // A note that was never stored keeps its text in memory until a save succeeds.
    if (makeNew) {
        ScratchDocument note;
        note.setId(makeRecordId());
        note.setCreatedDate(QDateTime::currentDateTimeUtc());
        note.setTransient(true);
        note.setTitle(untitledTitle(now(), m_locale));
        m_document = note;
        m_stored = false;
    }
    setEditorText(m_document ? m_document->content() : QString());
    titleField()->setText(m_document ? m_document->title() : QString());
}

std::optional<StoreError> ScratchViewController::saveDocument()
{
    if (!m_document || m_document->isTransient())
        return std::nullopt;
    const QString title = titleField()->text();
    const QString content = textEditor()->string();
    if (!differsFromStored(title, content))
        return std::nullopt;
    ScratchDocument note = *m_document;
    note.setUpdatedDate(QDateTime::currentDateTimeUtc());
    note.setTitle(title);
    note.setContent(content);
    // The text is kept in memory whatever happens to the write.
    m_document = note;
    NoteWriter* writer = NoteWriter::shared();
    if (!writer)
        return RealmSetup::unavailableError();
    // The write waits for the database on the writer's thread, never here.
    m_storedTitle = title;
    m_storedContent = content;
    m_stored = false;
    QPointer<ScratchViewController> self(this);
    writer->put(note, [self, note](const NoteWriter::Result& result) {
        if (!self)
            return;
        const bool current = self->m_document && self->m_document->id() == note.id();
        if (result.outcome == NoteWriter::Outcome::Stored && current && self->m_storedTitle == note.title()
            && self->m_storedContent == note.content())
            self->m_stored = true;
        else if (result.outcome == NoteWriter::Outcome::Failed)
            miniLog().error(QStringLiteral("Error saving scratch document: ") + (result.error ? result.error->message : QString()));
    });
    return std::nullopt;
}

bool ScratchViewController::differsFromStored(const QString& title, const QString& content) const
{
    return !m_stored || title != m_storedTitle || content != m_storedContent;
}

void ScratchViewController::rememberStored(const ScratchDocument& note)
{
    m_stored = true;
    m_storedTitle = note.title();
    m_storedContent = note.content();
}

void ScratchViewController::becomeInTransient()
{
    if (m_document)
        m_document->setTransient(false);
}

bool ScratchViewController::canSaveNote() const
{
    return m_document && !m_document->isTransient();
}

void ScratchViewController::viewWillAppear()
{
    loadDocument();
    if (m_selectedRangesBeforeDisappearance) {
        textEditor()->setSelectedRanges(*m_selectedRangesBeforeDisappearance);
        m_selectedRangesBeforeDisappearance.reset();
    }
    m_selectedDocumentIdBeforeDisappearance.reset();
    m_addButton->show();
    EditViewController::viewWillAppear();
}

void ScratchViewController::viewWillDisappear()
{
    if (m_document)
        m_selectedDocumentIdBeforeDisappearance = m_document->id();
    m_selectedRangesBeforeDisappearance = textEditor()->selectedRanges();
    m_addButton->hide();
    if (m_document && !m_document->isTransient()) {
        if (const auto error = saveDocument())
            miniLog().error(QStringLiteral("Error saving scratch document: ") + error->message);
    }
    EditViewController::viewWillDisappear();
}

std::optional<StoreError> ScratchViewController::createDocument()
{
    if (m_document && !m_document->isTransient()) {
        if (auto error = saveDocument())
            return error;
    }
    m_document.reset();
    m_stored = false;
    loadDocument();
    setupEditor();
    m_selectedRangesBeforeDisappearance.reset();
    m_selectedDocumentIdBeforeDisappearance.reset();
    miniLog().debug(QStringLiteral("Created new untitled scratch document"));
    return std::nullopt;
}

bool ScratchViewController::addNewScratchNote()
{
    if (const auto error = createDocument()) {
        miniLog().error(QStringLiteral("Error creating document: ") + error->message);
        return false;
    }
    textEditor()->setFocus();
    return true;
}

} // namespace penwick
