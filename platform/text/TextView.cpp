#include "platform/text/TextView.h"

#include "platform/text/ParagraphLayout.h"

#include "platform/text/FindBar.h"
#include "platform/text/LineEnds.h"
#include "platform/text/TextLines.h"
#include "platform/text/TextSearch.h"
#include "platform/text/UndoManager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QResizeEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTimer>

#include <algorithm>

namespace penwick::platform {

struct TextView::Change {
    qsizetype position = 0;
    QString removed;
    QString added;
};

// A text going into the view a slice at a time.
struct TextView::SliceLoad {
    QString text;
    QString normalized;
    qsizetype at = 0;
    // A character the document turns into something else went in: its text is read back.
    bool changedOnInsertion = false;
    bool wasReadOnly = false;
    std::function<void()> done;
};

// Marks changes of text or selection that the view makes itself, so that they neither break
// typing coalescing nor count as the user moving the caret.
struct TextView::EditScope {
    TextView* view;
    bool typing;
    EditScope(TextView* v, bool isTyping) : view(v), typing(isTyping)
    {
        ++view->m_editDepth;
        if (typing)
            ++view->m_typingDepth;
    }
    ~EditScope()
    {
        --view->m_editDepth;
        if (typing)
            --view->m_typingDepth;
    }
    EditScope(const EditScope&) = delete;
    EditScope& operator=(const EditScope&) = delete;
};

namespace {

const QChar kParagraphSeparator(0x2029);
const QChar kLineSeparator(0x2028);

// Whether the document, given `text` with "\n" line ends, holds something else: these
// characters become paragraph breaks as they go in.
bool changesOnInsertion(QStringView text)
{
    return text.contains(kParagraphSeparator) || text.contains(QChar(0xFDD0)) || text.contains(QChar(0xFDD1));
}

QString withNewlines(QString text)
{
    text.replace(kParagraphSeparator, QLatin1Char('\n'));
    return text;
}

// Line ends of inserted text become "\n": the document knows only one kind of line break.
QString normalizedLineEnds(QString text)
{
    if (!text.contains(QLatin1Char('\r')) && !text.contains(kLineSeparator))
        return text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(kLineSeparator, QLatin1Char('\n'));
    return text;
}

bool isRedoKey(const QKeyEvent* key)
{
    if (key->matches(QKeySequence::Redo))
        return true;
    const QKeySequence typed(QKeyCombination(key->modifiers() & ~Qt::KeypadModifier, Qt::Key(key->key())));
    return TextView::redoKeys().contains(typed);
}

// Extends a typing step with the next typed change when the two are contiguous.
bool mergeTyping(qsizetype& position, QString& removed, QString& added, qsizetype at, const QString& gone,
    const QString& put)
{
    const qsizetype end = position + added.size();
    if (gone.isEmpty() && at == end) {
        added += put;
        return true;
    }
    if (!put.isEmpty())
        return false;
    if (at + gone.size() == end) {
        // Backward deletion from the end of what was typed.
        if (gone.size() <= added.size()) {
            added.chop(gone.size());
        } else {
            const qsizetype extra = gone.size() - added.size();
            removed.prepend(gone.left(extra));
            position = at;
            added.clear();
        }
        return true;
    }
    if (at == end) {
        // Forward deletion after it.
        removed += gone;
        return true;
    }
    return false;
}

} // namespace

TextView::TextView(QWidget* parent) : QPlainTextEdit(parent)
{
    // A document of our own whose layout carries the paragraph style.
    auto* text = new QTextDocument(this);
    m_paragraphLayout = new ParagraphLayout(text);
    text->setDocumentLayout(m_paragraphLayout);
    setDocument(text);
    m_paragraphLayout->setLayoutWidth(viewport()->width());
    setUndoRedoEnabled(false);
    setTabChangesFocus(false);
    m_undoManager = new UndoManager(this);
    connect(document(), &QTextDocument::contentsChange, this, &TextView::onContentsChange);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &TextView::onSelectionMoved);
    connect(this, &QPlainTextEdit::selectionChanged, this, &TextView::onSelectionMoved);
    m_insertionPointBlink = new QTimer(this);
    connect(m_insertionPointBlink, &QTimer::timeout, this, [this] {
        m_insertionPointPhase = !m_insertionPointPhase;
        updateInsertionPointArea();
    });
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &TextView::restartInsertionPointBlink);
}

TextView::~TextView() = default;

QString TextView::substring(TextRange range) const
{
    const qsizetype from = std::clamp<qsizetype>(range.location, 0, m_text.size());
    const qsizetype to = std::clamp<qsizetype>(range.end(), from, m_text.size());
    return m_text.mid(from, to - from);
}

QString TextView::documentText(qsizetype position, qsizetype length) const
{
    QTextCursor cursor(document());
    cursor.setPosition(int(position));
    cursor.setPosition(int(position + length), QTextCursor::KeepAnchor);
    return withNewlines(cursor.selectedText());
}

void TextView::setString(const QString& text)
{
    endSliceLoad();
    m_lineEnds = LineEnds::ofText(text);
    const QString normalized = normalizedLineEnds(text);
    {
        EditScope scope(this, false);
        m_loading = true;
        clearExtraRanges();
        setPlainText(normalized);
        m_loading = false;
    }
    finishLoad(text, normalized, !changesOnInsertion(normalized));
}

void TextView::loadStringInSlices(const QString& text, std::function<void()> done)
{
    endSliceLoad();
    auto load = std::make_unique<SliceLoad>();
    load->text = text;
    load->normalized = normalizedLineEnds(text);
    load->wasReadOnly = isReadOnly();
    load->done = std::move(done);
    m_lineEnds = LineEnds::ofText(text);
    {
        EditScope scope(this, false);
        m_loading = true;
        clearExtraRanges();
        setPlainText(QString());
    }
    m_text.clear();
    m_undoManager->removeAllActions();
    setReadOnly(true);
    m_sliceLoad = std::move(load);
    loadNextSlices();
}

void TextView::loadNextSlices()
{
    if (!m_sliceLoad)
        return;
    // Whole pieces of about this many characters, for about this long per turn of the loop.
    constexpr qsizetype kPiece = 16 * 1024;
    constexpr qint64 kTurnNs = 8'000'000;
    SliceLoad& load = *m_sliceLoad;
    const QString& text = load.normalized;
    QElapsedTimer turn;
    turn.start();
    {
        EditScope scope(this, false);
        QTextCursor end(document());
        end.movePosition(QTextCursor::End);
        while (load.at < text.size() && turn.nsecsElapsed() < kTurnNs) {
            qsizetype to = std::min(text.size(), load.at + kPiece);
            // Never between the halves of a surrogate pair.
            if (to < text.size() && text.at(to).isLowSurrogate())
                ++to;
            const QString piece = text.mid(load.at, to - load.at);
            load.changedOnInsertion = load.changedOnInsertion || changesOnInsertion(piece);
            end.insertText(piece);
            load.at = to;
        }
    }
    if (load.at < text.size()) {
        QTimer::singleShot(0, this, [this, current = m_sliceLoad.get()] {
            if (m_sliceLoad.get() == current)
                loadNextSlices();
        });
        return;
    }
    std::unique_ptr<SliceLoad> finished = std::move(m_sliceLoad);
    m_loading = false;
    setReadOnly(finished->wasReadOnly);
    QTextCursor start(document());
    {
        EditScope scope(this, false);
        setTextCursor(start);
    }
    finishLoad(finished->text, finished->normalized, !finished->changedOnInsertion);
    if (finished->done)
        finished->done();

}

void TextView::endSliceLoad()
{
    if (!m_sliceLoad)
        return;
    setReadOnly(m_sliceLoad->wasReadOnly);
    m_sliceLoad.reset();
    m_loading = false;
}

void TextView::finishLoad(const QString& text, const QString& normalized, bool documentHoldsNormalized)
{
    // Reading a long text back costs a moment: not done when the document holds it as given.
    m_text = documentHoldsNormalized ? normalized : withNewlines(document()->toRawText());
    // The line-end record gives the file back exactly, unless the document changed something
    // else on loading: only then is the file's own text kept, until the first change.
    const bool exact = documentHoldsNormalized || m_text == normalized
        || (normalized.contains(kParagraphSeparator) && m_text == withNewlines(normalized));
    m_loadedFileText = exact ? QString() : text;
    m_undoManager->removeAllActions();
    breakUndoCoalescing();
    emit textDidChange();
}

QString TextView::fileString() const
{
    if (!m_loadedFileText.isNull())
        return m_loadedFileText;
    return m_lineEnds.apply(m_text);
}

TextRange TextView::lineRangeForRange(TextRange range) const
{
    return TextLines::lineRange(m_text, range);
}

// --- Selection ---

TextRanges TextView::selectedRanges() const
{
    TextRanges ranges;
    const QTextCursor primary = textCursor();
    ranges.append(TextRange(primary.selectionStart(), primary.selectionEnd() - primary.selectionStart()));
    for (const QTextCursor& extra : m_extraRanges) {
        const TextRange r(extra.selectionStart(), extra.selectionEnd() - extra.selectionStart());
        if (!ranges.contains(r))
            ranges.append(r);
    }
    std::stable_sort(ranges.begin(), ranges.end(),
        [](const TextRange& a, const TextRange& b) { return a.location < b.location; });
    return ranges;
}

TextRange TextView::selectedRange() const
{
    return selectedRanges().constFirst();
}

void TextView::setSelectedRange(TextRange range)
{
    setSelectedRanges({ range });
}

void TextView::setSelectedRanges(const TextRanges& ranges)
{
    TextRanges sorted;
    for (const TextRange& r : ranges) {
        const qsizetype from = std::clamp<qsizetype>(r.location, 0, m_text.size());
        const qsizetype to = std::clamp<qsizetype>(r.end(), from, m_text.size());
        sorted.append(TextRange(from, to - from));
    }
    if (sorted.isEmpty())
        sorted.append(TextRange(0, 0));
    std::stable_sort(sorted.begin(), sorted.end(),
        [](const TextRange& a, const TextRange& b) { return a.location < b.location; });
    m_extraRanges.clear();
    for (qsizetype i = 1; i < sorted.size(); ++i) {
        QTextCursor extra(document());
        extra.setPosition(int(sorted[i].location));
        extra.setPosition(int(sorted[i].end()), QTextCursor::KeepAnchor);
        m_extraRanges.append(extra);
    }
    QTextCursor primary = textCursor();
    primary.setPosition(int(sorted[0].location));
    primary.setPosition(int(sorted[0].end()), QTextCursor::KeepAnchor);
    setTextCursor(primary);
    updateExtraSelections();
}

void TextView::clearExtraRanges()
{
    if (m_extraRanges.isEmpty())
        return;
    m_extraRanges.clear();
    updateExtraSelections();
}

void TextView::updateExtraSelections()
{
    QList<QTextEdit::ExtraSelection> selections;
    for (const QTextCursor& extra : m_extraRanges) {
        if (!extra.hasSelection())
            continue;
        QTextEdit::ExtraSelection selection;
        selection.cursor = extra;
        selection.format.setBackground(palette().highlight());
        selection.format.setForeground(palette().highlightedText());
        selections.append(selection);
    }
    setExtraSelections(selections);
    viewport()->update();
}

void TextView::onSelectionMoved()
{
    if (m_editDepth == 0)
        breakUndoCoalescing();
}

// --- Editing ---

void TextView::replaceRange(TextRange range, const QString& text, bool typing)
{
    const qsizetype from = std::clamp<qsizetype>(range.location, 0, m_text.size());
    const qsizetype to = std::clamp<qsizetype>(range.end(), from, m_text.size());
    EditScope scope(this, typing);
    QTextCursor cursor = textCursor();
    cursor.setPosition(int(from));
    cursor.setPosition(int(to), QTextCursor::KeepAnchor);
    cursor.insertText(normalizedLineEnds(text), QTextCharFormat());
    setTextCursor(cursor);
}

void TextView::insertText(const QString& text)
{
    const TextRange selection = selectedRange();
    if (!shouldChangeTextInRange(selection, text))
        return;
    clearExtraRanges();
    replaceRange(selection, text, true);
}

void TextView::insertText(const QString& text, TextRange replacementRange)
{
    if (!shouldChangeTextInRange(replacementRange, text))
        return;
    clearExtraRanges();
    replaceRange(replacementRange, text, true);
}

void TextView::insertFragment(const QTextDocumentFragment& fragment, TextRange replacementRange)
{
    if (!shouldChangeTextInRange(replacementRange, fragment.toPlainText()))
        return;
    clearExtraRanges();
    const qsizetype from = std::clamp<qsizetype>(replacementRange.location, 0, m_text.size());
    const qsizetype to = std::clamp<qsizetype>(replacementRange.end(), from, m_text.size());
    EditScope scope(this, true);
    QTextCursor cursor = textCursor();
    cursor.setPosition(int(from));
    cursor.setPosition(int(to), QTextCursor::KeepAnchor);
    cursor.beginEditBlock();
    cursor.insertFragment(fragment);
    cursor.endEditBlock();
    setTextCursor(cursor);
}

bool TextView::shouldChangeTextInRange(TextRange, const std::optional<QString>&)
{
    return !isReadOnly();
}

void TextView::replaceCharacters(TextRange range, const QString& text)
{
    const qsizetype from = std::clamp<qsizetype>(range.location, 0, m_text.size());
    const qsizetype to = std::clamp<qsizetype>(range.end(), from, m_text.size());
    EditScope scope(this, false);
    QTextCursor cursor(document());
    cursor.setPosition(int(from));
    cursor.setPosition(int(to), QTextCursor::KeepAnchor);
    cursor.insertText(normalizedLineEnds(text), QTextCharFormat());
}

void TextView::didChangeText()
{
    viewport()->update();
}

void TextView::beginEditing()
{
    // Storage edits apply at once, so positions read between them stay exact.
}

void TextView::endEditing()
{
    viewport()->update();
}

// --- Recording changes for undo ---

void TextView::onContentsChange(int position, int removed, int added)
{
    if (m_loading)
        return;
    const qsizetype documentLength = document()->characterCount() - 1;
    qsizetype at = position;
    QString gone;
    QString put;
    const bool consistent = position >= 0 && removed >= 0 && added >= 0 && position + removed <= m_text.size()
        && position + added <= documentLength && m_text.size() - removed + added == documentLength;
    if (consistent) {
        gone = m_text.mid(position, removed);
        put = documentText(position, added);
        m_text.replace(position, removed, put);
    } else {
        // The report does not fit what we hold: find the difference ourselves.
        const QString now = withNewlines(document()->toRawText());
        qsizetype prefix = 0;
        const qsizetype limit = std::min(now.size(), m_text.size());
        while (prefix < limit && now.at(prefix) == m_text.at(prefix))
            ++prefix;
        qsizetype suffix = 0;
        while (suffix < limit - prefix && now.at(now.size() - 1 - suffix) == m_text.at(m_text.size() - 1 - suffix))
            ++suffix;
        at = prefix;
        gone = m_text.mid(prefix, m_text.size() - prefix - suffix);
        put = now.mid(prefix, now.size() - prefix - suffix);
        m_text = now;
    }
    if (!gone.isEmpty() && !put.isEmpty()) {
        // Qt may report a wider range than what changed (format changes report text that stays).
        qsizetype suffix = 0;
        while (suffix < gone.size() && suffix < put.size()
            && gone.at(gone.size() - 1 - suffix) == put.at(put.size() - 1 - suffix))
            ++suffix;
        gone.chop(suffix);
        put.chop(suffix);
        qsizetype prefix = 0;
        while (prefix < gone.size() && prefix < put.size() && gone.at(prefix) == put.at(prefix))
            ++prefix;
        gone.remove(0, prefix);
        put.remove(0, prefix);
        at += prefix;
    }
    if (gone.isEmpty() && put.isEmpty())
        return;
    trackLineEnds(at, gone, put);
    recordChange(at, gone, put);
    emit textDidChange();
}

void TextView::trackLineEnds(qsizetype position, const QString& removed, const QString& added)
{
    m_loadedFileText = QString();
    if (!m_lineEnds.isMixed())
        return;
    const qsizetype gone = removed.count(QLatin1Char('\n'));
    const qsizetype made = added.count(QLatin1Char('\n'));
    if (gone == 0 && made == 0)
        return;
    // The lines before the change are the same in the old and the new text; the document
    // counts them without a walk over the text.
    const qsizetype first = document()->findBlock(int(position)).blockNumber();
    m_lineEnds.replaceLines(first, gone, made);
}

void TextView::recordChange(qsizetype position, const QString& removed, const QString& added)
{
    UndoManager* undo = m_undoManager;
    const bool replaying = undo->isUndoing() || undo->isRedoing();
    if (!replaying && m_typingDepth > 0 && m_coalescing.change && m_coalescing.token != 0
        && undo->lastUndoActionToken() == m_coalescing.token && undo->undoActionName().isEmpty()) {
        Change& last = *m_coalescing.change;
        if (mergeTyping(last.position, last.removed, last.added, position, removed, added))
            return;
    }
    auto change = std::make_shared<Change>(Change { position, removed, added });
    QPointer<TextView> self(this);
    const quint64 token = undo->registerUndo([self, change] {
        if (self)
            self->applyChange(change->position, change->added.size(), change->removed);
    });
    if (!replaying && m_typingDepth > 0)
        m_coalescing = { change, token };
    else
        m_coalescing = {};
}

void TextView::applyChange(qsizetype position, qsizetype length, const QString& text)
{
    clearExtraRanges();
    {
        EditScope scope(this, false);
        QTextCursor cursor(document());
        cursor.setPosition(int(std::clamp<qsizetype>(position, 0, m_text.size())));
        cursor.setPosition(int(std::clamp<qsizetype>(position + length, 0, m_text.size())), QTextCursor::KeepAnchor);
        cursor.insertText(text, QTextCharFormat());
    }
    // The restored text is selected; when nothing was restored, the caret marks the place.
    setSelectedRange(TextRange(position, text.size()));
}

// --- Undo ---

void TextView::breakUndoCoalescing()
{
    m_coalescing = {};
}

void TextView::undo()
{
    breakUndoCoalescing();
    m_undoManager->undo();
    breakUndoCoalescing();
}

QList<QKeySequence> TextView::redoKeys()
{
    QList<QKeySequence> keys = QKeySequence::keyBindings(QKeySequence::Redo);
    const QKeySequence ctrlY(Qt::CTRL | Qt::Key_Y);
    if (!keys.contains(ctrlY))
        keys.append(ctrlY);
    return keys;
}

void TextView::redo()
{
    breakUndoCoalescing();
    m_undoManager->redo();
    breakUndoCoalescing();
}

// --- Key actions ---

void TextView::insertNewline()
{
    insertText(QStringLiteral("\n"));
}

void TextView::insertTab()
{
    insertText(QStringLiteral("\t"));
}

void TextView::cancelOperation()
{
    hideFindBar();
}

bool TextView::wantsCancelOperation() const
{
    return isFindBarVisible();
}

QString TextView::insertedForm(const QString& text)
{
    return normalizedLineEnds(text);
}

bool TextView::readSelectionFromPasteboard(const QMimeData* pasteboard, const QString&)
{
    if (!pasteboard || !pasteboard->hasText())
        return false;
    const QString text = pasteboard->text();
    const TextRange selection = selectedRange();
    if (text.isEmpty() || !shouldChangeTextInRange(selection, text))
        return false;
    breakUndoCoalescing();
    clearExtraRanges();
    replaceRange(selection, text, false);
    breakUndoCoalescing();
    return true;
}

void TextView::paste()
{
    readSelectionFromPasteboard(QGuiApplication::clipboard()->mimeData(), QStringLiteral("text/plain"));
}

void TextView::insertFromMimeData(const QMimeData* source)
{
    readSelectionFromPasteboard(source, QStringLiteral("text/plain"));
}

void TextView::beep()
{
    ++m_beepCount;
    QApplication::beep();
}

// --- Appearance ---

void TextView::setDefaultParagraphStyle(const ParagraphStyle& style) { m_paragraphLayout->setParagraphStyle(style); }

ParagraphStyle TextView::defaultParagraphStyle() const { return m_paragraphLayout->paragraphStyle(); }

void TextView::setMarginSize(const QSizeF& size)
{
    m_marginSize = size;
    updateViewportMargins();
}

void TextView::updateViewportMargins()
{
    const int w = qRound(m_marginSize.width());
    const int h = qRound(m_marginSize.height());
    int bottom = h;
    if (m_findBar && m_findBar->isVisibleTo(this))
        bottom += m_findBar->sizeHint().height();
    setViewportMargins(w, h, w, bottom);
    if (m_findBar) {
        const QRect area = contentsRect();
        const int barHeight = m_findBar->sizeHint().height();
        m_findBar->setGeometry(area.left(), area.bottom() - barHeight + 1, area.width(), barHeight);
    }
}

void TextView::setUsesFindBar(bool uses)
{
    m_usesFindBar = uses;
    if (!uses)
        hideFindBar();
}

void TextView::showFindBar()
{
    if (!m_usesFindBar)
        return;
    if (!m_findBar)
        m_findBar = new FindBar(this);
    const QString selected = textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(kParagraphSeparator))
        m_findBar->searchField()->setText(selected);
    m_findBar->show();
    updateViewportMargins();
    m_findBar->searchField()->setFocus();
    m_findBar->searchField()->selectAll();
}

void TextView::hideFindBar()
{
    if (!m_findBar || !m_findBar->isVisibleTo(this))
        return;
    m_findBar->hide();
    updateViewportMargins();
    setFocus();
}

FindBar* TextView::findBar() const
{
    return m_findBar.data();
}

bool TextView::isFindBarVisible() const
{
    return m_findBar && m_findBar->isVisibleTo(this);
}

bool TextView::findNext(const QString& text, bool backwards, Qt::CaseSensitivity sensitivity)
{
    const std::optional<TextRange> found = TextSearch(text, sensitivity).next(m_text, selectedRange(), backwards);
    if (!found)
        return false;
    clearExtraRanges();
    setSelectedRange(*found);
    return true;
}

bool TextView::replaceFound(const TextSearch& search, const QString& with)
{
    const TextRange selection = selectedRange();
    const bool replacing = search.isOccurrence(m_text, selection) && shouldChangeTextInRange(selection, with);
    if (replacing) {
        breakUndoCoalescing();
        clearExtraRanges();
        m_undoManager->beginUndoGrouping();
        replaceCharacters(selection, with);
        m_undoManager->setActionName(tr("Replace"));
        m_undoManager->endUndoGrouping();
        didChangeText();
        setSelectedRange(TextRange(selection.location + insertedForm(with).size(), 0));
    }
    findNext(search.pattern(), false, search.caseSensitivity());
    return replacing;
}

qsizetype TextView::replaceAll(const TextSearch& search, const QString& with)
{
    const TextSearch::Replacement replacement = search.replaceAll(m_text, insertedForm(with));
    if (replacement.count == 0 || !shouldChangeTextInRange(replacement.range, replacement.text))
        return 0;
    breakUndoCoalescing();
    clearExtraRanges();
    // One change of the stretch from the first occurrence to the last: one undo step, and one
    // pass over the text however many occurrences there are.
    m_undoManager->beginUndoGrouping();
    replaceCharacters(replacement.range, replacement.text);
    m_undoManager->setActionName(tr("Replace All"));
    m_undoManager->endUndoGrouping();
    didChangeText();
    setSelectedRange(TextRange(replacement.range.location + replacement.text.size(), 0));
    return replacement.count;
}

void TextView::registerForDraggedTypes(const QStringList& types)
{
    m_draggedTypes = types;
    setAcceptDrops(!types.isEmpty());
}

// --- Events ---

bool TextView::event(QEvent* e)
{
    if (e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        // Tab belongs to the text, not to focus navigation.
        if (key->key() == Qt::Key_Tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            keyPressEvent(key);
            return true;
        }
    } else if (e->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->matches(QKeySequence::Undo) || isRedoKey(key) || key->matches(QKeySequence::Find)
            || key->matches(QKeySequence::Paste) || (key->key() == Qt::Key_Escape && wantsCancelOperation())) {
            e->accept();
            return true;
        }
    }
    return QPlainTextEdit::event(e);
}

void TextView::keyPressEvent(QKeyEvent* e)
{
    // Each key press is one undo group; a group left open by earlier code closes first.
    m_undoManager->closeEventGroup();
    m_undoManager->beginUndoGrouping();
    struct EndGroup {
        UndoManager* undo;
        ~EndGroup() { undo->endUndoGrouping(); }
    } endGroup { m_undoManager };

    e->accept();
    const Qt::KeyboardModifiers modifiers = e->modifiers() & ~Qt::KeypadModifier;
    const int key = e->key();
    if (e->matches(QKeySequence::Undo)) {
        undo();
        return;
    }
    if (isRedoKey(e)) {
        redo();
        return;
    }
    if (e->matches(QKeySequence::Find)) {
        showFindBar();
        return;
    }
    if (e->matches(QKeySequence::Paste)) {
        if (!isReadOnly())
            paste();
        return;
    }
    if (key == Qt::Key_Escape) {
        // Unused, the key goes on to the parent (a dialog closes).
        if (!wantsCancelOperation()) {
            e->ignore();
            return;
        }
        cancelOperation();
        return;
    }
    if (isReadOnly()) {
        QPlainTextEdit::keyPressEvent(e);
        return;
    }
    const bool commandModifier = modifiers & (Qt::ControlModifier | Qt::MetaModifier);
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !commandModifier && !(modifiers & Qt::AltModifier)) {
        // Shift+Return too: a line break is always "\n", never a line separator.
        clearExtraRanges();
        insertNewline();
        return;
    }
    if (key == Qt::Key_Tab && !commandModifier && !(modifiers & (Qt::AltModifier | Qt::ShiftModifier))) {
        clearExtraRanges();
        insertTab();
        return;
    }
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
        clearExtraRanges();
        EditScope scope(this, true);
        QPlainTextEdit::keyPressEvent(e);
        return;
    }
    const QString text = e->text();
    // Judged by its first code point, so that a character beyond the Basic Multilingual Plane
    // (a surrogate pair) takes the typing path like any other.
    const char32_t first = text.isEmpty() ? 0
        : (text.size() > 1 && text.at(0).isHighSurrogate() && text.at(1).isLowSurrogate())
        ? QChar::surrogateToUcs4(text.at(0), text.at(1))
        : text.at(0).unicode();
    if (!text.isEmpty() && !commandModifier && QChar::isPrint(first)) {
        clearExtraRanges();
        insertText(text);
        return;
    }
    if (!e->matches(QKeySequence::Copy))
        clearExtraRanges();
    QPlainTextEdit::keyPressEvent(e);
}

void TextView::inputMethodEvent(QInputMethodEvent* e)
{
    if (!isReadOnly() && e->preeditString().isEmpty() && e->replacementLength() == 0 && !e->commitString().isEmpty()) {
        m_undoManager->closeEventGroup();
        m_undoManager->beginUndoGrouping();
        clearExtraRanges();
        insertText(e->commitString());
        m_undoManager->endUndoGrouping();
        e->accept();
        return;
    }
    EditScope scope(this, true);
    QPlainTextEdit::inputMethodEvent(e);
}

void TextView::mousePressEvent(QMouseEvent* e)
{
    clearExtraRanges();
    QPlainTextEdit::mousePressEvent(e);
}

QMenu* TextView::createEditMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    const QString undoName = m_undoManager->undoActionName();
    const QString redoName = m_undoManager->redoActionName();
    QAction* undoAction = menu->addAction(undoName.isEmpty() ? tr("Undo") : tr("Undo %1").arg(undoName));
    undoAction->setEnabled(m_undoManager->canUndo());
    connect(undoAction, &QAction::triggered, this, [this] { undo(); });
    QAction* redoAction = menu->addAction(redoName.isEmpty() ? tr("Redo") : tr("Redo %1").arg(redoName));
    redoAction->setEnabled(m_undoManager->canRedo());
    connect(redoAction, &QAction::triggered, this, [this] { redo(); });
    menu->addSeparator();
    const bool hasSelection = textCursor().hasSelection();
    QAction* cutAction = menu->addAction(tr("Cut"));
    cutAction->setEnabled(hasSelection && !isReadOnly());
    connect(cutAction, &QAction::triggered, this, [this] { cut(); });
    QAction* copyAction = menu->addAction(tr("Copy"));
    copyAction->setEnabled(hasSelection);
    connect(copyAction, &QAction::triggered, this, [this] { copy(); });
    QAction* pasteAction = menu->addAction(tr("Paste"));
    pasteAction->setEnabled(!isReadOnly());
    connect(pasteAction, &QAction::triggered, this, [this] { paste(); });
    menu->addSeparator();
    QAction* selectAllAction = menu->addAction(tr("Select All"));
    connect(selectAllAction, &QAction::triggered, this, [this] { selectAll(); });
    return menu;
}

void TextView::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu* menu = createEditMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(e->globalPos());
}

void TextView::paintEvent(QPaintEvent* e)
{
    QPlainTextEdit::paintEvent(e);
    bool anyCaret = false;
    for (const QTextCursor& extra : m_extraRanges)
        anyCaret = anyCaret || !extra.hasSelection();
    if (!anyCaret && !isInsertionPointShown())
        return;
    QPainter painter(viewport());
    const QBrush caretBrush = m_insertionPointColor.isValid() ? QBrush(m_insertionPointColor) : palette().text();
    for (const QTextCursor& extra : m_extraRanges) {
        if (extra.hasSelection())
            continue;
        const QRect r = cursorRect(extra);
        painter.fillRect(QRect(r.left(), r.top(), kInsertionPointWidth, r.height()), caretBrush);
    }
    if (isInsertionPointShown()) {
        const QRect r = cursorRect();
        painter.fillRect(QRect(r.left(), r.top(), kInsertionPointWidth, r.height()), caretBrush);
    }
}

void TextView::setInsertionPointColor(const QColor& color)
{
    if (color == m_insertionPointColor)
        return;
    m_insertionPointColor = color;
    setCursorWidth(color.isValid() ? 0 : kInsertionPointWidth);
    restartInsertionPointBlink();
    viewport()->update();
}

bool TextView::isInsertionPointShown() const
{
    // Overwrite mode keeps Qt's block caret.
    return m_insertionPointColor.isValid() && m_insertionPointPhase && hasFocus() && !isReadOnly() && !overwriteMode();
}

void TextView::restartInsertionPointBlink()
{
    m_insertionPointPhase = true;
    const int flashTime = QApplication::cursorFlashTime();
    if (m_insertionPointColor.isValid() && hasFocus() && flashTime > 0)
        m_insertionPointBlink->start(flashTime / 2);
    else
        m_insertionPointBlink->stop();
    updateInsertionPointArea();
}

void TextView::updateInsertionPointArea()
{
    if (!m_insertionPointColor.isValid() || m_insertionPointUpdatePending)
        return;
    // Later, not inside the edit that moved the caret: the caret's block is not laid out again
    // yet, and asking for its place would make the plain layout do that work twice.
    m_insertionPointUpdatePending = true;
    QTimer::singleShot(0, this, [this] {
        m_insertionPointUpdatePending = false;
        if (m_insertionPointColor.isValid())
            repaintInsertionPointArea();
    });
}

void TextView::repaintInsertionPointArea()
{
    const QRect area = cursorRect().adjusted(-1, 0, kInsertionPointWidth + 1, 0);
    if (area != m_insertionPointArea)
        viewport()->update(m_insertionPointArea);
    m_insertionPointArea = area;
    viewport()->update(area);
}

void TextView::focusInEvent(QFocusEvent* e)
{
    QPlainTextEdit::focusInEvent(e);
    restartInsertionPointBlink();
}

void TextView::focusOutEvent(QFocusEvent* e)
{
    QPlainTextEdit::focusOutEvent(e);
    restartInsertionPointBlink();
}

void TextView::resizeEvent(QResizeEvent* e)
{
    if (e->size().width() == e->oldSize().width()) {
        QPlainTextEdit::resizeEvent(e);
    } else {
        // The layout takes the new width itself: the plain view would hand it to the layout's
        // setTextWidth(), which costs a layout object for every paragraph of the text. The
        // view is then told of the resize as if the width had stayed, to fit its scroll bars.
        m_paragraphLayout->setLayoutWidth(viewport()->width());
        QResizeEvent sameWidth(e->size(), QSize(e->size().width(), e->oldSize().height()));
        QPlainTextEdit::resizeEvent(&sameWidth);
    }
    if (m_findBar)
        updateViewportMargins();
}

} // namespace penwick::platform
