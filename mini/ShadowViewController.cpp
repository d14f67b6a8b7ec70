#include "ShadowViewController.h"

#include "CoreNotifications.h"
#include "Extensions/Realm.h"
#include "Services/NoteWriter.h"
#include "Extensions/StringAdditions.h"
#include "MiniLog.h"
#include "ShadowScripts.h"
#include "platform/FileIcons.h"
#include "Support/QLabel+RemoteImage.h"
#include "TextEditor/TextEditorView.h"
#include "highlighter/MarkdownHighlighter.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include <QPointer>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QUrl>
#include <QVBoxLayout>

namespace penwick {

namespace {

const QString kAutoInsertSourcePath = QStringLiteral("autoInsertSourcePath");
constexpr int kIconSize = 20;

XImage iconImage(const QString& path)
{
    return XImage(platform::iconForFile(path).pixmap(kIconSize, kIconSize).toImage());
}

} // namespace

ShadowViewController::ShadowViewController(QWidget* parent)
    : EditViewController(parent)
{
    setObjectName(QStringLiteral("ShadowViewController"));
    setWindowTitle(tr("Shadow Notes"));
    // The note's title is the document's: the page shows the document list in its place.
    titleField()->hide();
    m_iconView = new QLabel(this);
    m_iconView->setObjectName(QStringLiteral("appIconImageView"));
    m_iconView->setFixedSize(kIconSize, kIconSize);
    m_iconView->setScaledContents(true);
    m_popup = new QComboBox(this);
    m_popup->setObjectName(QStringLiteral("shadowListPopUpBtn"));
    m_popup->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_popup->setMinimumContentsLength(10);
    headerLayout()->insertWidget(0, m_iconView);
    headerLayout()->insertWidget(1, m_popup, 1);
    m_pathLabel = new QLabel(this);
    m_pathLabel->setObjectName(QStringLiteral("pathLbl"));
    m_pathLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pathLabel->setContentsMargins(8, 0, 8, 0);
    // A long path or message wraps rather than widening the popover.
    m_pathLabel->setWordWrap(true);
    m_pathLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    static_cast<QVBoxLayout*>(layout())->insertWidget(1, m_pathLabel);
    connect(m_popup, &QComboBox::activated, this, &ShadowViewController::changeShadowListPopUpSelection);

    m_scripts = ShadowScripts::collectScripts();
    AppTracker::sharedInstance().setDelegate(this);
    showNoProgram();
}

ShadowViewController::~ShadowViewController()
{
    m_scriptRun.reset();
    m_popup->clear();
    if (AppTracker::sharedInstance().delegate() == this)
        AppTracker::sharedInstance().setDelegate(nullptr);
    miniLog().debug(QStringLiteral("Deinit Shadow View Controller"));
}

void ShadowViewController::chooseShadowApp()
{
    const AppTracker& tracker = AppTracker::sharedInstance();
    const auto& current = tracker.currentApp();
    m_shadowApp = current && current->isSelf() ? tracker.prevApp() : current;
}

QString ShadowViewController::noProgramText()
{
    return tr("No program to attach a note to: work in a program, then open Penwick Mini again");
}

bool ShadowViewController::isListing() const
{
    return m_awaitingScript;
}

void ShadowViewController::viewWillAppear()
{
    chooseShadowApp();
    // Where no report of the program came yet (no window manager names the active window, or
    // the page is new), the list is built for the program the tracker knows.
    if (!sameProgram(m_shadowApp, m_listedApp)) {
        saveNoteLogged(m_previousSelectedIndex);
        refreshList();
    }
    restoreSelection();
    AppTracker::sharedInstance().setDelegate(this);
    EditViewController::viewWillAppear();
}

void ShadowViewController::viewWillDisappear()
{
    if (m_popup->count() > 0 && !m_shadowList.isEmpty()) {
        m_selectedItemBeforeDisappearance = m_shadowList.value(m_popup->currentIndex());
        m_selectedRangesBeforeDisappearance = textEditor()->selectedRanges();
    }
    saveNoteLogged(m_previousSelectedIndex);
    EditViewController::viewWillDisappear();
}

void ShadowViewController::didSetCurrentApplication(const std::optional<RunningApplication>&)
{
    if (m_shadowApp)
        saveNoteLogged(m_previousSelectedIndex);
    chooseShadowApp();
    refreshList();
}

void ShadowViewController::refreshList()
{
    if (!m_shadowList.isEmpty() && sameProgram(m_shadowApp, m_listedApp)) {
        // The same program again (each time the popover shows): the list and the note stay
        // while its script runs, so that typing meanwhile goes where it did before. A note
        // with nothing unsaved is read again, as Penwick may have changed it.
        if (m_document && m_stored && textEditor()->string() == m_storedContent) {
            m_keptSelection = std::make_pair(m_document->id(), textEditor()->selectedRanges());
            const ShadowItem shown = m_shadowList.value(m_previousSelectedIndex);
            loadNote(shown.path, shown.sourceIdentifier);
        }
        startScript(true);
        return;
    }
    // Another program: the list is built anew. The note shown keeps its selection should it
    // come back, now or once the script answered.
    m_keptSelection.reset();
    if (m_document && m_stored)
        m_keptSelection = std::make_pair(m_document->id(), textEditor()->selectedRanges());
    // A reply about the program before is of no use any more.
    m_scriptRun.reset();
    m_awaitingScript = false;
    m_popup->clear();
    m_shadowList.clear();
    m_listedApp = m_shadowApp;
    if (!m_shadowApp || m_shadowApp->localizedName.isEmpty() || m_shadowApp->executablePath.isEmpty()
        || m_shadowApp->identifier.isEmpty()) {
        showNoProgram();
        return;
    }
    textEditor()->setReadOnly(false);
    m_popup->setEnabled(true);
    ShadowItem program;
    program.title = m_shadowApp->localizedName;
    program.path = m_shadowApp->executablePath;
    program.sourceAppPath = m_shadowApp->executablePath;
    program.sourceIdentifier = m_shadowApp->identifier;
    program.toolTip = windowTitle();
    m_shadowList.append(program);
    m_popup->addItem(program.title);
    m_previousSelectedIndex = 0;
    m_popup->setCurrentIndex(0);
    m_iconView->setPixmap(platform::iconForFile(program.path).pixmap(kIconSize, kIconSize));
    m_iconView->setToolTip(program.toolTip);
    m_pathLabel->setText(program.path);
    m_pathLabel->setToolTip(program.path);
    loadNote(program.path, program.sourceIdentifier);

    startScript(false);
}

void ShadowViewController::startScript(bool updating)
{
    m_scriptRun.reset();
    m_scriptRun = ShadowScripts::runScript(m_scripts, *m_shadowApp, [this, updating](const QList<ShadowItem>& items) {
        if (updating)
            updateScriptEntries(items);
        else
            addScriptEntries(items);
    });
    m_awaitingScript = m_scriptRun != nullptr;
}

void ShadowViewController::updateScriptEntries(const QList<ShadowItem>& items)
{
    m_awaitingScript = false;
    QList<ShadowItem> list { m_shadowList.first() };
    list.append(items);
    const QString shownPath = m_shadowList.value(m_previousSelectedIndex).path;
    int shown = -1;
    int active = -1;
    for (int i = 0; i < list.size(); ++i) {
        if (shown < 0 && list[i].path == shownPath)
            shown = i;
        if (active < 0 && i > 0 && list[i].isActive.value_or(false))
            active = i;
    }
    // Typing since the note was loaded keeps it; otherwise the document active now is shown.
    int select = shown;
    if (shown < 0 || (!m_edited && active >= 0))
        select = active >= 0 ? active : 0;
    if (select != shown)
        saveNoteLogged(m_previousSelectedIndex); // under the entry it was loaded for
    m_shadowList = list;
    m_popup->clear();
    for (const ShadowItem& item : m_shadowList)
        m_popup->addItem(item.title);
    m_previousSelectedIndex = select;
    m_popup->setCurrentIndex(select);
    if (select == shown)
        return;
    if (select == 0) {
        m_iconView->setPixmap(platform::iconForFile(list[0].path).pixmap(kIconSize, kIconSize));
        m_iconView->setToolTip(list[0].toolTip);
        m_pathLabel->setText(list[0].path);
        m_pathLabel->setToolTip(list[0].path);
    } else {
        showIconAndPath(list[select]);
    }
    loadNote(list[select].path, list[select].sourceIdentifier);
}

void ShadowViewController::addScriptEntries(const QList<ShadowItem>& items)
{
    m_awaitingScript = false;
    // The user's own choice, or typing into the program's note meanwhile, stays.
    const bool untouched = m_previousSelectedIndex == 0 && m_popup->currentIndex() == 0 && !m_edited;
    for (const ShadowItem& item : items) {
        m_shadowList.append(item);
        m_popup->addItem(item.title);
    }
    if (!untouched)
        return;
    for (int i = 1; i < m_shadowList.size(); ++i) {
        if (m_shadowList[i].isActive.value_or(false)) {
            m_previousSelectedIndex = i;
            m_popup->setCurrentIndex(i);
            showIconAndPath(m_shadowList[i]);
            loadNote(m_shadowList[i].path, m_shadowList[i].sourceIdentifier);
            return;
        }
    }
}

void ShadowViewController::showNoProgram()
{
    m_document.reset();
    m_stored = false;
    m_edited = false;
    m_popup->setEnabled(false);
    m_iconView->clear();
    m_iconView->setToolTip(QString());
    m_pathLabel->setText(noProgramText());
    m_pathLabel->setToolTip(QString());
    setEditorText(QString());
    // Typing here would have nowhere to go.
    textEditor()->setReadOnly(true);
}

bool ShadowViewController::sameProgram(const std::optional<RunningApplication>& a, const std::optional<RunningApplication>& b)
{
    if (!a || !b)
        return !a && !b;
    return a->pid == b->pid && a->identifier == b->identifier && a->executablePath == b->executablePath;
}

void ShadowViewController::restoreSelection()
{
    if (m_selectedItemBeforeDisappearance) {
        for (int i = 0; i < m_shadowList.size(); ++i) {
            if (m_shadowList[i].path != m_selectedItemBeforeDisappearance->path)
                continue;
            m_popup->setCurrentIndex(i);
            m_previousSelectedIndex = i;
            showIconAndPath(m_shadowList[i]);
            const auto ranges = m_selectedRangesBeforeDisappearance;
            loadNote(m_shadowList[i].path, m_shadowList[i].sourceIdentifier);
            m_selectedRangesBeforeDisappearance = ranges;
            setPreviewState();
            break;
        }
    }
    if (m_selectedRangesBeforeDisappearance)
        textEditor()->setSelectedRanges(*m_selectedRangesBeforeDisappearance);
    m_selectedItemBeforeDisappearance.reset();
    m_selectedRangesBeforeDisappearance.reset();
}

void ShadowViewController::changeShadowListPopUpSelection(int index)
{
    if (index < 0 || index >= m_shadowList.size())
        return;
    saveNoteLogged(m_previousSelectedIndex);
    showIconAndPath(m_shadowList[index]);
    loadNote(m_shadowList[index].path, m_shadowList[index].sourceIdentifier);
    setPreviewState();
    m_previousSelectedIndex = index;
}

void ShadowViewController::showIconAndPath(const ShadowItem& item)
{
    m_iconView->setToolTip(item.toolTip);
    const XImage placeholder = iconImage(item.sourceAppPath);
    const QUrl url(item.path, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (url.isValid() && !url.host().isEmpty() && (scheme == QLatin1String("https") || scheme == QLatin1String("http"))) {
        // The site's own origin, port included (built as a URL, so an IPv6 host keeps its brackets).
        QUrl favicon;
        favicon.setScheme(scheme);
        favicon.setHost(url.host());
        favicon.setPort(url.port());
        favicon.setPath(QStringLiteral("/favicon.ico"));
        loadImage(m_iconView, favicon.toString(), placeholder);
        m_pathLabel->setText(item.path);
        m_pathLabel->setToolTip(item.path);
        return;
    }
    if (url.isValid() && !url.path().isEmpty())
        m_iconView->setPixmap(platform::iconForFile(url.isLocalFile() ? url.toLocalFile() : url.path()).pixmap(kIconSize, kIconSize));
    else
        m_iconView->setPixmap(QPixmap::fromImage(placeholder));
    m_pathLabel->setText(stringByAbbreviatingWithTildeInPath(item.path));
    m_pathLabel->setToolTip(item.path);
}

void ShadowViewController::loadNote(const QString& path, const QString& identifier)
{
    ShadowDocument note;
    note.setId(makeRecordId());
    note.setCreatedDate(QDateTime::currentDateTimeUtc());
    note.setTransient(true);
    if (m_shadowApp) {
        note.setSourceIdentifier(m_shadowApp->identifier);
        note.setSourcePath(m_shadowApp->executablePath);
        note.setSourceName(!m_shadowApp->localizedName.isEmpty() ? m_shadowApp->localizedName
                                                                 : lastPathComponent(m_shadowApp->executablePath));
    }
    m_document = note;
    m_stored = false;
    m_edited = false;
    m_selectedItemBeforeDisappearance.reset();
    m_selectedRangesBeforeDisappearance.reset();
    if (!path.isEmpty() && !identifier.isEmpty()) {
        platform::store::Query query;
        query.conditions = { { QStringLiteral("path"), path }, { QStringLiteral("sourceIdentifier"), identifier } };
        query.limit = 1;
        // A note not in the database yet (waiting for its lock, or kept beside it) is newer
        // than anything the database holds for the document.
        std::optional<ShadowDocument> unsettled;
        if (NoteWriter* writer = NoteWriter::shared()) {
            for (const auto& values : writer->unsettledNotes(ShadowDocument::className())) {
                const ShadowDocument candidate = ShadowDocument::fromObjectValues(values);
                if (candidate.path() == path && candidate.sourceIdentifier() == identifier)
                    unsettled = candidate;
            }
        }
        StoreError error;
        const auto found = unsettled ? QList<ShadowDocument>() : Realm::objects<ShadowDocument>(query, &error);
        if (unsettled) {
            m_document = unsettled;
            m_document->setTransient(false);
        } else if (!found.isEmpty()) {
            m_document = found.front();
            m_document->setTransient(false);
            rememberStored(*m_document);
        } else if (!error.message.isEmpty()) {
            miniLog().error(QStringLiteral("Error reading shadow note: ") + error.message);
        }
    }
    highlighter()->deactivate();
    QString text;
    if (!m_document->content().isNull())
        text = m_document->content();
    else if (platform::UserDefaults::standard().boolForKey(kAutoInsertSourcePath) && !path.isEmpty())
        text = QStringLiteral("*Source: ") + path + QStringLiteral("*\n");
    setEditorText(text);
    if (m_keptSelection && m_document->id() == m_keptSelection->first) {
        textEditor()->setSelectedRanges(m_keptSelection->second);
        m_keptSelection.reset();
    }
    setupEditor();
    highlighter()->activate();
}

std::optional<StoreError> ShadowViewController::saveNote(int index)
{
    if (!m_document || m_document->isTransient())
        return std::nullopt;
    if (!m_shadowApp) {
        StoreError error;
        error.message = noProgramText();
        return error;
    }
    const bool isNew = !m_stored;
    ShadowDocument note = *m_document;
    if (note.sourceIdentifier().isEmpty())
        note.setSourceIdentifier(m_shadowApp->identifier);
    note.setContent(textEditor()->string());
    if (note.sourcePath().isEmpty())
        note.setSourcePath(m_shadowApp->executablePath);
    if (index >= 0 && index < m_shadowList.size()) {
        note.setPath(m_shadowList[index].path);
        note.setTitle(m_shadowList[index].title);
    }
    // Writing what the database holds already would only make Penwick reload the note.
    if (!differsFromStored(note))
        return std::nullopt;
    note.setUpdatedDate(QDateTime::currentDateTimeUtc());
    m_document = note;
    NoteWriter* writer = NoteWriter::shared();
    if (!writer)
        return RealmSetup::unavailableError();
    // The write waits for the database on the writer's thread, never here.
    m_stored = false;
    m_storedContent = note.content();
    QPointer<ShadowViewController> self(this);
    writer->put(note, [self, note, isNew](const NoteWriter::Result& result) {
        if (!self)
            return;
        if (result.outcome == NoteWriter::Outcome::Failed) {
            miniLog().error(QStringLiteral("Error saving shadow note: ") + (result.error ? result.error->message : QString()));
            return;
        }
        if (result.outcome != NoteWriter::Outcome::Stored)
            return;
        if (self->m_document && self->m_document->id() == note.id() && self->m_storedContent == note.content())
            self->m_stored = true;
        platform::NotificationCenter::defaultCenter().post(
            isNew ? CoreNotifications::SHADOW_NOTE_ADDED : CoreNotifications::SHADOW_NOTE_UPDATED, self.data(),
            { { CoreNotifications::SHADOW_NOTE_PAYLOAD, note.path() } });
    });
    return std::nullopt;
}

void ShadowViewController::saveNoteLogged(int index)
{
    if (const auto error = saveNote(index))
        miniLog().error(QStringLiteral("Error saving shadow note: ") + error->message);
}

std::optional<StoreError> ShadowViewController::saveDocument()
{
    return saveNote(m_previousSelectedIndex);
}

bool ShadowViewController::differsFromStored(const ShadowDocument& note) const
{
    // The title and path come from the list entry and go along with the text; on their own
    // they would undo a rename made in Penwick.
    return !m_stored || note.content() != m_storedContent;
}

void ShadowViewController::rememberStored(const ShadowDocument& note)
{
    m_stored = true;
    m_storedContent = note.content();
}

void ShadowViewController::becomeInTransient()
{
    if (m_document)
        m_document->setTransient(false);
    m_edited = true;
}

bool ShadowViewController::canSaveNote() const
{
    return m_document && !m_document->isTransient();
}

} // namespace penwick
