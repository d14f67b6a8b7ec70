#include "platform/text/ContinuousSpellChecker.h"

#include "platform/text/SpellChecker.h"
#include "platform/text/TextView.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>

namespace penwick::platform {

// Drawn over the text view's viewport, above the text; lets every mouse event through.
class ContinuousSpellChecker::Overlay : public QWidget {
public:
    Overlay(ContinuousSpellChecker* owner, QWidget* parent)
        : QWidget(parent)
        , m_owner(owner)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override { m_owner->paintMarks(this); }

private:
    ContinuousSpellChecker* m_owner;
};

namespace {

// Addresses written out in the text: scheme URLs, "www." names, e-mail addresses and data URIs.
const QRegularExpression& addressPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("(?:[A-Za-z][A-Za-z0-9+.-]*://|www\\.|\\bdata:)[^\\s<>()\\[\\]\"']+|[\\w.+-]+@[\\w-]+(?:\\.[\\w-]+)+"),
        QRegularExpression::UseUnicodePropertiesOption);
    return pattern;
}

// A run of printable ASCII this long without a space is data, an address or code (base64,
// hashes, minified scripts), never a word; it is left alone whole. Scripts written without
// spaces are not ASCII and are checked as usual.
constexpr qsizetype kLongestRun = 100;

bool isRunCharacter(QChar c) { return c.unicode() > 0x20 && c.unicode() < 0x7f; }

// The ranges of `text` (which starts at `offset`) that are such runs.
void appendLongRuns(const QString& text, qsizetype offset, TextRanges* ranges)
{
    for (qsizetype i = 0; i < text.size();) {
        if (!isRunCharacter(text[i])) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && isRunCharacter(text[end]))
            ++end;
        if (end - i >= kLongestRun)
            ranges->append(TextRange(offset + i, end - i));
        i = end;
    }
}

bool overlaps(const TextRange& a, const TextRange& b) { return a.location < b.end() && b.location < a.end(); }

// One laid-out line of the view's text inside the viewport: its text range, and the layout
// line with the point of the viewport where its layout's origin lies.
struct VisibleLine {
    qsizetype start;
    qsizetype end;
    QTextLine line;
    QPointF origin;
};

// The lines of the view inside `area` (viewport coordinates), in text order. Only the
// layout's own lines are read: no position is looked up line by line, which in a paragraph
// of thousands of lines would walk all of them each time.
QList<VisibleLine> visibleLines(QPlainTextEdit* view, const QRect& area)
{
    QList<VisibleLine> lines;
    QTextBlock block = view->cursorForPosition(area.topLeft()).block();
    if (!block.isValid() || !block.layout() || block.layout()->lineCount() == 0)
        return lines;
    // Where the view shows the first line of the top block says where its layout lies; the
    // blocks below follow it at their heights, as the view paints them.
    const QRect first = view->cursorRect(QTextCursor(block));
    const QTextLine firstLine = block.layout()->lineAt(0);
    QPointF origin(first.left() - firstLine.cursorToX(0), first.top() - firstLine.y());
    QAbstractTextDocumentLayout* documentLayout = view->document()->documentLayout();
    for (; block.isValid() && origin.y() <= area.bottom(); block = block.next()) {
        if (!block.isVisible())
            continue;
        QTextLayout* layout = block.layout();
        const qreal height = documentLayout->blockBoundingRect(block).height();
        if (!layout || origin.y() + height < area.top()) {
            origin.ry() += height;
            continue;
        }
        // The first line reaching into the area, found by halving (lines lie in order).
        int lo = 0, hi = layout->lineCount();
        while (lo < hi) {
            const int mid = (lo + hi) / 2;
            const QTextLine line = layout->lineAt(mid);
            if (origin.y() + line.y() + line.height() < area.top())
                lo = mid + 1;
            else
                hi = mid;
        }
        for (int i = lo; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            if (origin.y() + line.y() > area.bottom())
                break;
            const qsizetype start = block.position() + line.textStart();
            lines.append({ start, start + line.textLength(), line, origin });
        }
        origin.ry() += height;
    }
    return lines;
}

} // namespace

ContinuousSpellChecker::ContinuousSpellChecker(QPlainTextEdit* view, SpellChecker* checker)
    : QObject(view)
    , m_view(view)
    , m_checker(checker ? checker : &SpellChecker::shared())
{
    m_overlay = new Overlay(this, view);
    m_overlay->hide();
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
    connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this, &ContinuousSpellChecker::scheduleCheck);
    connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (m_overlay)
            m_overlay->update();
    });
    auto* textView = qobject_cast<TextView*>(view);
    if (textView)
        connect(textView, &TextView::textDidChange, this, [this] { m_textChanged = true; });
    connect(view->document(), &QTextDocument::contentsChange, this, [this, textView](int position, int removed, int added) {
        // The text view tells text changes from changes of formats only (which move nothing).
        if (textView && !std::exchange(m_textChanged, false))
            return;
        // Marks follow the edit until the next check; a mark the edit touches goes.
        const qsizetype delta = qsizetype(added) - removed;
        TextRanges kept;
        for (const TextRange& r : std::as_const(m_misspelled)) {
            if (r.end() <= position)
                kept.append(r);
            else if (r.location >= position + removed)
                kept.append(TextRange(r.location + delta, r.length));
        }
        m_misspelled = kept;
        scheduleCheck();
    });
    placeOverlay();
}

ContinuousSpellChecker::~ContinuousSpellChecker()
{
    if (m_overlay)
        delete m_overlay.data();
}

void ContinuousSpellChecker::setEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    if (m_overlay)
        m_overlay->setVisible(enabled);
    if (!enabled) {
        m_misspelled.clear();
        if (m_overlay)
            m_overlay->update();
        return;
    }
    placeOverlay();
    scheduleCheck();
}

void ContinuousSpellChecker::scheduleCheck()
{
    if (!m_enabled || m_checkPending)
        return;
    m_checkPending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_checkPending)
            checkVisibleText();
    });
}

void ContinuousSpellChecker::placeOverlay()
{
    if (!m_view || !m_overlay)
        return;
    m_overlay->setGeometry(m_view->viewport()->geometry());
    m_overlay->raise();
}

bool ContinuousSpellChecker::eventFilter(QObject* watched, QEvent* event)
{
    if (m_view && (watched == m_view || watched == m_view->viewport())
        && (event->type() == QEvent::Resize || event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest)) {
        placeOverlay();
        scheduleCheck();
    }
    return QObject::eventFilter(watched, event);
}

void ContinuousSpellChecker::checkVisibleText()
{
    m_checkPending = false;
    if (!m_view)
        return;
    if (!m_enabled) {
        m_misspelled.clear();
        return;
    }
    const QList<VisibleLine> lines = visibleLines(m_view, m_view->viewport()->rect());
    if (lines.isEmpty()) {
        m_misspelled.clear();
        if (m_overlay)
            m_overlay->update();
        emit checked();
        return;
    }
    // The visible lines, widened to take in the words cut by the first and last line's edges
    // (a run longer than the widening is left alone anyway).
    auto* textView = qobject_cast<TextView*>(m_view.data());
    const qsizetype length = textView ? textView->textLength() : m_view->document()->characterCount() - 1;
    const auto textOf = [&](qsizetype from, qsizetype to) {
        if (textView)
            return textView->substring(TextRange(from, to - from));
        QTextCursor cursor(m_view->document());
        cursor.setPosition(int(from));
        cursor.setPosition(int(to), QTextCursor::KeepAnchor);
        return cursor.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    };
    const qsizetype visibleStart = std::clamp<qsizetype>(lines.first().start, 0, length);
    const qsizetype visibleEnd = std::clamp<qsizetype>(lines.last().end, visibleStart, length);
    const QString before = textOf(std::max<qsizetype>(0, visibleStart - kLongestRun), visibleStart);
    const QString after = textOf(visibleEnd, std::min(length, visibleEnd + kLongestRun));
    qsizetype start = visibleStart;
    while (start > visibleStart - before.size() && !before[start - 1 - (visibleStart - before.size())].isSpace())
        --start;
    qsizetype end = visibleEnd;
    while (end < visibleEnd + after.size() && !after[end - visibleEnd].isSpace())
        ++end;
    const QString text = textOf(start, end);
    const TextRange checkedRange(start, text.size());
    TextRanges skip = m_skip ? m_skip(checkedRange) : TextRanges();
    for (auto it = addressPattern().globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        skip.append(TextRange(start + match.capturedStart(), match.capturedLength()));
    }
    appendLongRuns(text, start, &skip);
    TextRanges found;
    for (const TextRange& word : m_checker->misspelledWords(text, start)) {
        const bool skipped = std::any_of(skip.cbegin(), skip.cend(), [&](const TextRange& s) { return overlaps(s, word); });
        if (!skipped)
            found.append(word);
    }
    m_misspelled = found;
    if (m_overlay)
        m_overlay->update();
    emit checked();
}

std::optional<TextRange> ContinuousSpellChecker::misspelledRangeAt(qsizetype position) const
{
    for (const TextRange& r : m_misspelled) {
        if (r.location <= position && position <= r.end())
            return r;
    }
    return std::nullopt;
}

int ContinuousSpellChecker::addSuggestions(QMenu* menu, const QPoint& viewportPoint)
{
    if (!m_view || !m_enabled || !menu)
        return 0;
    const std::optional<TextRange> word = misspelledRangeAt(m_view->cursorForPosition(viewportPoint).position());
    if (!word)
        return 0;
    auto* textView = qobject_cast<TextView*>(m_view.data());
    const QString original = textView ? textView->substring(*word)
                                      : m_view->document()->toRawText().mid(word->location, word->length);
    QAction* before = menu->actions().isEmpty() ? nullptr : menu->actions().first();
    QStringList guesses = m_checker->suggestions(original);
    if (guesses.size() > MAX_SUGGESTIONS)
        guesses.resize(MAX_SUGGESTIONS);
    int added = 0;
    if (guesses.isEmpty()) {
        auto* none = new QAction(tr("No Guesses Found"), menu);
        none->setEnabled(false);
        menu->insertAction(before, none);
        ++added;
    }
    for (const QString& guess : std::as_const(guesses)) {
        auto* action = new QAction(guess, menu);
        const TextRange range = *word;
        connect(action, &QAction::triggered, this, [this, range, original, guess] {
            if (!m_view)
                return;
            auto* view = qobject_cast<TextView*>(m_view.data());
            // The word must still stand where it stood when the menu opened.
            const QString now = view ? view->substring(range)
                                     : m_view->document()->toRawText().mid(range.location, range.length);
            if (now != original)
                return;
            if (m_replacer)
                m_replacer(range, guess);
            else if (view) {
                view->breakUndoCoalescing();
                view->insertText(guess, range);
                view->breakUndoCoalescing();
            }
            checkVisibleText();
        });
        menu->insertAction(before, action);
        ++added;
    }
    if (before)
        menu->insertSeparator(before);
    return added;
}

void ContinuousSpellChecker::paintMarks(QWidget* overlay)
{
    if (!m_view || !m_enabled || m_misspelled.isEmpty())
        return;
    QPainter painter(overlay);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(230, 30, 30), 1.0));
    const auto wave = [&](qreal x1, qreal x2, qreal y) {
        if (x2 <= x1)
            return;
        QPainterPath path(QPointF(x1, y));
        bool up = true;
        for (qreal x = x1 + 2; x <= x2 + 1; x += 2, up = !up)
            path.lineTo(QPointF(x, up ? y - 2 : y));
        painter.drawPath(path);
    };
    // Marks and lines are both in text order: one walk over the two lists.
    auto mark = m_misspelled.cbegin();
    for (const VisibleLine& v : visibleLines(m_view, overlay->rect())) {
        mark = std::lower_bound(mark, m_misspelled.cend(), v.start,
            [](const TextRange& r, qsizetype position) { return r.end() <= position; });
        // A word broken over two lines is marked on each of them.
        for (auto it = mark; it != m_misspelled.cend() && it->location < v.end; ++it) {
            const qsizetype blockStart = v.start - v.line.textStart();
            const int from = int(std::max(it->location, v.start) - blockStart);
            const int to = int(std::min(it->end(), v.end) - blockStart);
            // On whole pixels, so that the wave stays crisp.
            const qreal y = qRound(v.origin.y() + v.line.y() + v.line.height()) - 1;
            wave(qRound(v.origin.x() + v.line.cursorToX(from)), qRound(v.origin.x() + v.line.cursorToX(to)), y);
        }
    }
}

} // namespace penwick::platform
