#include "platform/text/ContinuousSpellChecker.h"

#include "platform/text/SpellChecker.h"
#include "platform/text/TextView.h"

#include <QEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
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

// Addresses written out in the text: scheme URLs, "www." names and e-mail addresses.
const QRegularExpression& addressPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("(?:[A-Za-z][A-Za-z0-9+.-]*://|www\\.)[^\\s<>()\\[\\]\"']+|[\\w.+-]+@[\\w-]+(?:\\.[\\w-]+)+"),
        QRegularExpression::UseUnicodePropertiesOption);
    return pattern;
}

bool overlaps(const TextRange& a, const TextRange& b) { return a.location < b.end() && b.location < a.end(); }

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
    const QRect rect = m_view->viewport()->rect();
    const QTextBlock top = m_view->cursorForPosition(rect.topLeft()).block();
    const QTextBlock bottom = m_view->cursorForPosition(rect.bottomRight()).block();
    const qsizetype start = top.position();
    const qsizetype end = bottom.position() + bottom.length() - 1;
    auto* textView = qobject_cast<TextView*>(m_view.data());
    const QString text = textView ? textView->substring(TextRange(start, end - start))
                                  : m_view->document()->toRawText().mid(start, end - start);
    const TextRange checkedRange(start, text.size());
    TextRanges skip = m_skip ? m_skip(checkedRange) : TextRanges();
    for (auto it = addressPattern().globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        skip.append(TextRange(start + match.capturedStart(), match.capturedLength()));
    }
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
    const qsizetype length = m_view->document()->characterCount() - 1;
    const QRect area = overlay->rect();
    const auto wave = [&](qreal x1, qreal x2, qreal y) {
        if (x2 <= x1)
            return;
        QPainterPath path(QPointF(x1, y));
        bool up = true;
        for (qreal x = x1 + 2; x <= x2 + 1; x += 2, up = !up)
            path.lineTo(QPointF(x, up ? y - 2 : y));
        painter.drawPath(path);
    };
    for (const TextRange& r : std::as_const(m_misspelled)) {
        if (r.end() > length)
            continue;
        QTextCursor from(m_view->document());
        from.setPosition(int(r.location));
        QTextCursor to(m_view->document());
        to.setPosition(int(r.end()));
        const QRect a = m_view->cursorRect(from);
        const QRect b = m_view->cursorRect(to);
        if (a.bottom() < area.top() || a.top() > area.bottom())
            continue;
        if (a.top() == b.top()) {
            wave(a.left(), b.left(), a.bottom());
        } else {
            // A word broken over two lines: to the end of the first, from the start of the second.
            wave(a.left(), area.right(), a.bottom());
            wave(area.left(), b.left(), b.bottom());
        }
    }
}

} // namespace penwick::platform
