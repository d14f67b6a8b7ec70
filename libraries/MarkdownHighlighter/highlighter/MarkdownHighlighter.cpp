#include "highlighter/MarkdownHighlighter.h"

#include "highlighter/MarkdownParseWorker.h"
#include "highlighter/mdh_parser.h"
#include "highlighter/mdh_styleparser.h"

#include "LXLogger.h"
#include "platform/FreeMemory.h"
#include "platform/text/TextView.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextDocument>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <exception>
#include <map>
#include <mutex>

namespace penwick {

namespace {
// Texts from this length (in UTF-16 units) on give back the memory their parse freed.
constexpr qsizetype kReleaseMemoryAfterLength = 512 * 1024;
} // namespace

// What a worker needs to reach its highlighter: cleared under the lock when the
// highlighter goes, so that a finishing parse never posts to a dead object.
struct MarkdownHighlighter::Channel {
    std::mutex mutex;
    MarkdownHighlighter* receiver = nullptr;
    // The finished parse waiting for the main thread (one worker at a time).
    bool delivered = false;
    quint64 generation = 0;
    std::optional<MarkdownElementLists> result;
};

namespace {

bool isLinkType(int type) { return type == LINK || type == AUTO_LINK_URL || type == AUTO_LINK_EMAIL; }

QString linkValue(int type, const QString& address)
{
    if (type == AUTO_LINK_EMAIL && !address.startsWith(QLatin1String("mailto:")))
        return QStringLiteral("mailto:") + address;
    return address;
}

// The text as the parser must see it: no leading byte-order mark, no CR or Unicode
// line/paragraph separators, no NUL and no lone surrogates. Every replacement keeps
// one UTF-16 unit for one, so positions only move by the dropped mark.
QString parserText(QString text, bool* droppedByteOrderMark)
{
    *droppedByteOrderMark = text.startsWith(QChar(0xFEFF));
    if (*droppedByteOrderMark)
        text.remove(0, 1);
    const qsizetype n = text.size();
    QChar* d = text.data();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = d[i].unicode();
        if (u == u'\r' || u == 0x2028 || u == 0x2029)
            d[i] = QChar(u'\n');
        else if (u == 0)
            d[i] = QChar(0xFFFD);
        else if (QChar::isHighSurrogate(u)) {
            if (i + 1 < n && QChar::isLowSurrogate(d[i + 1].unicode()))
                ++i;
            else
                d[i] = QChar(0xFFFD);
        } else if (QChar::isLowSurrogate(u))
            d[i] = QChar(0xFFFD);
    }
    return text;
}

void forwardStyleError(const char* message, int line, void* context)
{
    auto* highlighter = static_cast<MarkdownHighlighter*>(context);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(QByteArrayView(message));
    if (decoder.hasError()) {
        penwick::log().error(QStringLiteral("Cannot interpret error message as UTF-8: '%1'").arg(QString::fromUtf8(message)));
        highlighter->handleStyleParsingError(std::nullopt, line);
        return;
    }
    highlighter->handleStyleParsingError(text, line);
}

quint64 traitsOfFont(const QFont& font)
{
    quint64 traits = 0;
    if (font.italic())
        traits |= MarkdownHighlightingStyle::ItalicFontMask;
    if (font.bold())
        traits |= MarkdownHighlightingStyle::BoldFontMask;
    if (font.stretch() > QFont::Unstretched)
        traits |= MarkdownHighlightingStyle::ExpandedFontMask;
    else if (font.stretch() > 0 && font.stretch() < QFont::Unstretched)
        traits |= MarkdownHighlightingStyle::CondensedFontMask;
    return traits;
}

} // namespace

MarkdownHighlighter::MarkdownHighlighter(QObject* parent)
    : QObject(parent)
    , m_channel(std::make_shared<Channel>())
{
    m_channel->receiver = this;
    m_updateTimer.setSingleShot(true);
    connect(&m_updateTimer, &QTimer::timeout, this, &MarkdownHighlighter::textViewUpdateTimerFire);
}

MarkdownHighlighter::MarkdownHighlighter(QPlainTextEdit* textView, QObject* parent)
    : MarkdownHighlighter(parent)
{
    setTargetTextView(textView);
}

MarkdownHighlighter::MarkdownHighlighter(QPlainTextEdit* textView, double waitInterval, QObject* parent)
    : MarkdownHighlighter(textView, parent)
{
    setWaitInterval(waitInterval);
}

MarkdownHighlighter::MarkdownHighlighter(QPlainTextEdit* textView, double waitInterval,
    const std::optional<QList<MarkdownHighlightingStyle>>& styles, QObject* parent)
    : MarkdownHighlighter(textView, waitInterval, parent)
{
    setStyles(styles);
}

MarkdownHighlighter::~MarkdownHighlighter()
{
    m_updateTimer.stop();
    // A running parse finishes on its own and drops its result; then the worker ends.
    {
        std::lock_guard lock(m_channel->mutex);
        m_channel->receiver = nullptr;
    }
    finishWorker();
}

void MarkdownHighlighter::finishWorker()
{
    if (m_worker)
        m_worker->finish();
    m_worker = nullptr;
}

int MarkdownHighlighter::runningWorkerCount() { return MarkdownParseWorker::busyCount(); }

void MarkdownHighlighter::setParseFunction(ParseFunction parse) { m_parseFunction = std::move(parse); }

std::optional<MarkdownElementLists> MarkdownHighlighter::parse(const QByteArray& utf8Text, int extensions)
{
    mdh_Element** result = nullptr;
    const bool completed = mdh_parse_text_to_elements(utf8Text.constData(), extensions, &result);
    if (!result)
        return std::nullopt;
    std::optional<MarkdownElementLists> lists;
    if (completed) {
        mdh_sort_element_lists(result);
        lists.emplace();
        for (int type = 0; type < mdh_NUM_LANG_TYPES; ++type) {
            // Counted first: the lists stay as long as the text is open, so they get no slack.
            std::size_t count = 0;
            for (const mdh_Element* e = result[type]; e; e = e->next)
                ++count;
            (*lists)[std::size_t(type)].reserve(count);
            for (const mdh_Element* e = result[type]; e; e = e->next) {
                lists->append(type, static_cast<qint64>(e->pos), static_cast<qint64>(e->end),
                    e->address ? QString::fromUtf8(e->address) : QString());
            }
        }
    }
    mdh_free_element_lists(result);
    return lists;
}

void MarkdownHighlighter::convertOffsets(MarkdownElementLists& lists, const QString& text)
{
    const qsizetype n = text.size();
    bool hasPairs = false;
    for (qsizetype i = 0; i + 1 < n && !hasPairs; ++i)
        hasPairs = text[i].isHighSurrogate() && text[i + 1].isLowSurrogate();
    if (!hasPairs)
        return;
    // UTF-16 offset of every code point, then one lookup per position.
    std::vector<qint64> offsets;
    offsets.reserve(static_cast<size_t>(n) + 1);
    for (qsizetype i = 0; i < n;) {
        offsets.push_back(i);
        i += (text[i].isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) ? 2 : 1;
    }
    const auto codePoints = static_cast<qint64>(offsets.size());
    offsets.push_back(n);
    const auto convert = [&](qint64 p) -> qint32 {
        if (p < 0)
            return qint32(p);
        return qint32(p <= codePoints ? offsets[static_cast<size_t>(p)] : n + (p - codePoints));
    };
    for (auto& list : lists) {
        for (MarkdownElementSpan& e : list) {
            e.pos = convert(e.pos);
            e.end = convert(e.end);
        }
    }
}

// --- Styles ---

const QList<MarkdownHighlightingStyle>& MarkdownHighlighter::getDefaultStyles()
{
    static const QList<MarkdownHighlightingStyle> styles = [] {
        const auto hsb = [](float h, float s, float b) { return QColor::fromHsvF(h, s, b, 1.0f); };
        const auto make = [](int type, const QColor& fg, const std::optional<QColor>& bg, quint64 traits,
                              const QList<int>& remove = {}) {
            QTextCharFormat format;
            format.setForeground(fg);
            if (bg)
                format.setBackground(*bg);
            return MarkdownHighlightingStyle(type, format, remove, traits);
        };
        using S = MarkdownHighlightingStyle;
        QList<MarkdownHighlightingStyle> list;
        for (int type : { H1, H2, H3, H4, H5, H6 })
            list.append(make(type, hsb(0.67f, 1.0f, 0.4f), hsb(0.67f, 0.2f, 1.0f), S::BoldFontMask));
        list.append(make(HRULE, hsb(0.0f, 0.0f, 0.2f), hsb(0.0f, 0.0f, 0.9f), 0));
        list.append(make(LIST_BULLET, hsb(0.87f, 1.0f, 0.4f), std::nullopt, 0));
        list.append(make(LIST_ENUMERATOR, hsb(0.87f, 1.0f, 0.4f), std::nullopt, 0));
        for (int type : { LINK, AUTO_LINK_URL, AUTO_LINK_EMAIL })
            list.append(make(type, hsb(0.5f, 1.0f, 0.4f), hsb(0.5f, 0.2f, 1.0f), 0));
        list.append(make(IMAGE, hsb(0.87f, 1.0f, 0.4f), hsb(0.87f, 0.2f, 1.0f), 0));
        list.append(make(REFERENCE, hsb(0.0f, 0.2f, 0.5f), std::nullopt, 0));
        list.append(make(CODE, hsb(0.34f, 1.0f, 0.4f), hsb(0.34f, 0.2f, 1.0f), 0));
        list.append(make(EMPH, hsb(0.15f, 1.0f, 0.4f), std::nullopt, S::ItalicFontMask));
        list.append(make(STRONG, hsb(0.87f, 1.0f, 0.4f), std::nullopt, S::BoldFontMask));
        list.append(make(HTML_ENTITY, hsb(0.0f, 0.0f, 0.5f), std::nullopt, 0));
        list.append(make(COMMENT, hsb(0.0f, 0.0f, 0.5f), std::nullopt, 0));
        list.append(make(VERBATIM, hsb(0.34f, 1.0f, 0.4f), hsb(0.34f, 0.2f, 1.0f), 0));
        list.append(make(BLOCKQUOTE, hsb(0.87f, 1.0f, 0.4f), std::nullopt, S::UnboldFontMask,
            { QTextFormat::BackgroundBrush }));
        return list;
    }();
    return styles;
}

const QTextCharFormat& MarkdownHighlighter::getDefaultSelectedTextAttributes()
{
    static const QTextCharFormat attributes = [] {
        const QPalette palette = QApplication::palette("QPlainTextEdit");
        QTextCharFormat format;
        format.setBackground(palette.color(QPalette::Active, QPalette::Highlight));
        format.setForeground(palette.color(QPalette::Active, QPalette::HighlightedText));
        return format;
    }();
    return attributes;
}

void MarkdownHighlighter::setStyles(const std::optional<QList<MarkdownHighlightingStyle>>& styles)
{
    m_styles = styles ? *styles : getDefaultStyles();
    if (m_textView)
        applyStyleDependenciesToTargetTextView();
    else
        m_styleDependenciesPending = true;
}

void MarkdownHighlighter::applyStyleDependenciesToTargetTextView()
{
    if (!m_textView)
        return;
    for (const MarkdownHighlightingStyle& style : styles()) {
        if (style.elementType() == LINK) {
            m_linkTextAttributes = style.attributesToAdd();
            break;
        }
    }
    m_styleDependenciesPending = false;
}

void MarkdownHighlighter::handleStyleParsingError(const std::optional<QString>& message, int lineNumber)
{
    m_styleParsingErrors.append(QStringLiteral("(Line %1): %2")
                                    .arg(QString::number(lineNumber),
                                        message ? *message : QStringLiteral("<broken error message>")));
}

QFont MarkdownHighlighter::baseFont() const
{
    if (m_defaultTypingAttributes.hasProperty(QTextFormat::FontFamilies)
        || m_defaultTypingAttributes.hasProperty(QTextFormat::FontPointSize))
        return m_defaultTypingAttributes.font();
    return m_textView ? m_textView->font() : QFont();
}

void MarkdownHighlighter::applyStylesFromStylesheet(const QString& styleSheet, const StyleErrorHandler& errors)
{
    if (styleSheet.isNull())
        return;
    const QByteArray utf8 = styleSheet.toUtf8();
    mdh_style_sheet* sheet = nullptr;
    if (errors) {
        m_styleParsingErrors.clear();
        sheet = mdh_read_style_sheet(utf8.constData(), forwardStyleError, this);
        if (!m_styleParsingErrors.isEmpty())
            errors(m_styleParsingErrors);
    } else {
        sheet = mdh_read_style_sheet(utf8.constData(), nullptr, nullptr);
    }

    const QFont font = baseFont();
    QList<MarkdownHighlightingStyle> styles;
    for (const mdh_style_attribute* rule : sheet->element_styles) {
        if (rule)
            styles.append(MarkdownHighlightingStyle(rule, font));
    }
    setStyles(styles);

    if (m_textView) {
        clearHighlighting();
        QPalette palette = m_textView->palette();
        m_insertionPointColor = QColor();
        for (const mdh_style_attribute* a = sheet->editor_styles; a; a = a->next) {
            const auto color = [&] { return MarkdownHighlightingStyle::colorFromARGBColor(*a->value.color); };
            if (a->kind == mdh_attr_background_color)
                palette.setColor(QPalette::Base, color());
            else if (a->kind == mdh_attr_foreground_color)
                palette.setColor(QPalette::Text, color());
            else if (a->kind == mdh_attr_caret_color)
                m_insertionPointColor = color();
        }
        QTextCharFormat selection = getDefaultSelectedTextAttributes();
        for (const mdh_style_attribute* a = sheet->editor_selection_styles; a; a = a->next) {
            if (a->kind == mdh_attr_background_color)
                selection.setBackground(MarkdownHighlightingStyle::colorFromARGBColor(*a->value.color));
            else if (a->kind == mdh_attr_foreground_color)
                selection.setForeground(MarkdownHighlightingStyle::colorFromARGBColor(*a->value.color));
            else if (a->kind == mdh_attr_font_style && a->value.font_styles->underlined)
                selection.setUnderlineStyle(QTextCharFormat::SingleUnderline);
        }
        m_selectedTextAttributes = selection;
        palette.setColor(QPalette::Highlight, selection.background().color());
        palette.setColor(QPalette::HighlightedText, selection.foreground().color());
        m_textView->setPalette(palette);
        if (auto* view = qobject_cast<platform::TextView*>(m_textView.data()))
            view->setInsertionPointColor(m_insertionPointColor);
        if (sheet->editor_current_line_styles)
            m_currentLineStyle = MarkdownHighlightingStyle(sheet->editor_current_line_styles, font);
        else
            m_currentLineStyle.reset();
        readClearTextStylesFromTextView();
    }
    mdh_release_style_sheet(sheet);
    highlightNow();
}

// --- The text view ---

void MarkdownHighlighter::setTargetTextView(QPlainTextEdit* textView)
{
    if (textView == m_textView)
        return;
    disconnect(m_documentObservation);
    m_textView = textView;
    if (!textView)
        return;
    m_documentObservation
        = connect(textView->document(), &QTextDocument::contentsChange, this, &MarkdownHighlighter::onContentsChange);
    readClearTextStylesFromTextView();
}

void MarkdownHighlighter::readClearTextStylesFromTextView()
{
    if (!m_textView)
        return;
    const QFont font = m_textView->font();
    m_clearFontTraitMask = getClearFontTraitMask(traitsOfFont(font));
    const QPalette palette = m_textView->palette();
    m_defaultTextColor = palette.color(QPalette::Text);
    QTextCharFormat typing;
    typing.setBackground(palette.color(QPalette::Base));
    typing.setForeground(m_defaultTextColor);
    typing.setFont(font);
    m_defaultTypingAttributes = typing;
}

quint64 MarkdownHighlighter::getClearFontTraitMask(quint64 traits)
{
    using S = MarkdownHighlightingStyle;
    static const std::pair<quint64, quint64> opposites[] = {
        { S::ItalicFontMask, S::UnitalicFontMask }, { S::UnitalicFontMask, S::ItalicFontMask },
        { S::BoldFontMask, S::UnboldFontMask }, { S::UnboldFontMask, S::BoldFontMask },
        { S::ExpandedFontMask, S::CondensedFontMask }, { S::CondensedFontMask, S::ExpandedFontMask },
    };
    quint64 mask = 0;
    for (const auto& [trait, opposite] : opposites) {
        if (!(traits & trait))
            mask |= opposite;
    }
    return mask;
}

QTextCharFormat MarkdownHighlighter::clearFormat() const
{
    // Layout formats lie over the view's own font, so clearing needs no traits: only the colour.
    QTextCharFormat format;
    if (m_defaultTextColor.isValid())
        format.setForeground(m_defaultTextColor);
    return format;
}

bool MarkdownHighlighter::setBlockFormats(const QTextBlock& block, const QList<QTextLayout::FormatRange>& formats)
{
    return setLayoutFormats(m_textView->document(), block, formats);
}

bool MarkdownHighlighter::setLayoutFormats(
    QTextDocument* document, const QTextBlock& block, const QList<QTextLayout::FormatRange>& formats)
{
    // Asking a block for its layout makes one; a block that never had formats is left without.
    if (formats.isEmpty() && !hasLayoutFormats(block))
        return false;
    QTextLayout* layout = block.layout();
    if (!layout || layout->formats() == formats)
        return false;
    layout->setFormats(formats);
    // A block made by splitting a marked one starts unmarked and without a layout.
    QTextBlock marked = block;
    marked.setUserState(formats.isEmpty() ? -1 : kFormattedBlock);
    document->markContentsDirty(block.position(), block.length());
    return true;
}

bool MarkdownHighlighter::hasLayoutFormats(const QTextBlock& block) { return block.userState() == kFormattedBlock; }

void MarkdownHighlighter::clearHighlightingForRange(int start, int length)
{
    if (!m_textView)
        return;
    QTextDocument* doc = m_textView->document();
    const int textLength = doc->characterCount() - 1;
    const int from = std::clamp(start, 0, textLength);
    const int to = std::clamp(start + std::max(length, 0), from, textLength);
    const QTextCharFormat clear = clearFormat();
    for (QTextBlock block = doc->findBlock(from); block.isValid() && block.position() <= to; block = block.next()) {
        const int bs = block.position();
        const int cs = std::max(from, bs) - bs;
        const int ce = std::min(to, bs + block.length() - 1) - bs;
        // A block without formats already shows the unstyled look of the view. Most blocks of a
        // long text have never been shown and have no layout: none is made for them here.
        if (ce <= cs || !hasLayoutFormats(block) || block.layout()->formats().isEmpty())
            continue;
        QList<QTextLayout::FormatRange> kept;
        for (const QTextLayout::FormatRange& r : block.layout()->formats()) {
            if (r.start < cs)
                kept.append({ r.start, std::min(r.start + r.length, cs) - r.start, r.format });
            if (r.start + r.length > ce)
                kept.append({ std::max(r.start, ce), r.start + r.length - std::max(r.start, ce), r.format });
        }
        if (!clear.properties().isEmpty())
            kept.append({ cs, ce - cs, clear });
        std::sort(kept.begin(), kept.end(), [](const auto& a, const auto& b) { return a.start < b.start; });
        setBlockFormats(block, kept);
    }
}

void MarkdownHighlighter::clearHighlighting()
{
    if (m_textView)
        clearHighlightingForRange(0, m_textView->document()->characterCount() - 1);
}

void MarkdownHighlighter::applyHighlighting(const MarkdownElementLists& elements, int start, int length)
{
    if (!m_textView || m_inStyling)
        return;
    QTextDocument* doc = m_textView->document();
    const int textLength = doc->characterCount() - 1;
    const int rangeStart = std::clamp(start, 0, textLength);
    const int rangeEnd = std::clamp(start + std::max(length, 0), rangeStart, textLength);
    // Whole blocks are restyled, since a block's layout formats are set all at once; blocks
    // outside the range keep theirs until they come into view and are restyled in turn.
    const QTextBlock firstBlock = doc->findBlock(rangeStart);
    const QTextBlock lastBlock = doc->findBlock(std::max(rangeStart, rangeEnd - 1));
    int lo = firstBlock.position();
    int hi = lastBlock.position() + lastBlock.length() - 1;
    if (firstBlock.length() > kUnshapedParagraph)
        lo = std::max(lo, styledPartOf(firstBlock, rangeStart, rangeEnd).first);
    if (lastBlock.length() > kUnshapedParagraph)
        hi = std::min(hi, styledPartOf(lastBlock, rangeStart, rangeEnd).second);
    hi = std::max(lo, hi);

    m_inStyling = true;
    std::map<int, QTextCharFormat> segments;
    segments[lo] = clearFormat();
    segments[hi] = QTextCharFormat();
    const auto split = [&](int p) {
        auto it = std::prev(segments.upper_bound(p));
        if (it->first != p)
            segments.emplace_hint(std::next(it), p, it->second);
    };

    for (const MarkdownHighlightingStyle& style : styles()) {
        const int type = style.elementType();
        if (type < 0 || type >= int(elements.size()))
            continue;
        const bool links = m_makeLinksClickable && isLinkType(type);
        for (const MarkdownElementSpan& e : elements[type]) {
            if (e.end <= e.pos || e.end <= lo)
                continue;
            if (e.pos >= hi)
                break;
            const int a = static_cast<int>(std::max<qint64>(e.pos, lo));
            const int b = static_cast<int>(std::min<qint64>(e.end, hi));
            if (b <= a)
                continue;
            split(a);
            split(b);
            const QString link = links && e.address >= 0 ? linkValue(type, elements.address(e)) : QString();
            for (auto it = segments.find(a); it != segments.end() && it->first < b; ++it) {
                if (!link.isEmpty()) {
                    it->second.setAnchor(true);
                    it->second.setAnchorHref(link);
                }
                style.applyTo(it->second);
            }
        }
    }

    bool changed = false;
    auto it = segments.begin();
    for (QTextBlock block = firstBlock; block.isValid() && block.position() <= hi; block = block.next()) {
        const int bs = block.position();
        const int be = bs + block.length() - 1;
        QList<QTextLayout::FormatRange> ranges;
        while (std::next(it) != segments.end() && std::next(it)->first <= bs)
            ++it;
        for (auto s = it; s != segments.end() && s->first < be; ++s) {
            const auto next = std::next(s);
            if (next == segments.end())
                break;
            const int from = std::max(s->first, bs);
            const int to = std::min(next->first, be);
            if (to <= from || s->second.properties().isEmpty())
                continue;
            QTextCharFormat format = s->second;
            if (format.isAnchor())
                format.merge(m_linkTextAttributes);
            ranges.append({ from - bs, to - from, format });
        }
        if (be - bs >= kUnshapedParagraph) {
            // Every edit of a paragraph lays all of it out again, and shaping (kerning and
            // ligatures) is the larger part of that: a paragraph this long goes without it.
            // Scripts that cannot be written without shaping keep it.
            QTextCharFormat unshaped;
            unshaped.setFontStyleStrategy(QFont::PreferNoShaping);
            ranges.prepend({ 0, be - bs, unshaped });
        }
        changed |= setBlockFormats(block, ranges);
        if (block == lastBlock)
            break;
    }
    m_inStyling = false;
    if (changed)
        emit highlightingApplied();
}

std::pair<int, int> MarkdownHighlighter::styledPartOf(const QTextBlock& block, int start, int end) const
{
    // The given range (what shows, or an edit) and some way around it: styling all of a
    // paragraph of megabytes would cost each keystroke a walk of all its spans and a layout of
    // all their formats. The rest is styled when it comes into view. No hit test here: during
    // an edit the paragraph's lines are stale, and asking them would shape it again.
    constexpr int kAround = 16 * 1024;
    const int blockStart = block.position();
    const int blockEnd = blockStart + block.length() - 1;
    return { std::clamp(start - kAround, blockStart, blockEnd), std::clamp(end + kAround, blockStart, blockEnd) };
}

std::pair<int, int> MarkdownHighlighter::visibleRange() const
{
    if (!m_textView)
        return { 0, 0 };
    const QRect rect = m_textView->viewport()->rect();
    if (rect.isEmpty())
        return { 0, 0 };
    const QTextBlock top = m_textView->cursorForPosition(rect.topLeft()).block();
    const QTextBlock bottom = m_textView->cursorForPosition(rect.bottomRight()).block();
    const int start = top.position();
    const int end = bottom.position() + bottom.length() - 1;
    return { start, std::max(0, end - start) };
}

void MarkdownHighlighter::applyVisibleRangeHighlighting()
{
    if (!m_textView || !m_cachedElements || !m_isActive)
        return;
    auto [start, length] = visibleRange();
    // Within a long paragraph, what shows of it, not all of it.
    const QRect shown = m_textView->viewport()->rect();
    if (length > kUnshapedParagraph && !shown.isEmpty()) {
        const int top = m_textView->cursorForPosition(shown.topLeft()).position();
        const int bottom = m_textView->cursorForPosition(shown.bottomRight()).position();
        start = std::min(top, bottom);
        length = std::max(top, bottom) - start;
    }
    try {
        applyHighlighting(*m_cachedElements, start, length);
    } catch (const std::exception& e) {
        m_inStyling = false;
        penwick::log().error(QStringLiteral("Exception in -applyHighlighting:withRange: %1").arg(QString::fromUtf8(e.what())));
    }
    // Layout formats never reach the view's typing format, so there is nothing to restore
    // when `resetTypingAttributes` is on.
}

void MarkdownHighlighter::cacheElementList(std::optional<MarkdownElementLists> elements)
{
    m_cachedElements = std::move(elements);
}

// --- Parsing ---

QString MarkdownHighlighter::snapshotText() const
{
    // The editor's text view keeps its text as a string already: no copy of the document needed.
    if (auto* view = qobject_cast<platform::TextView*>(m_textView.data()))
        return view->string();
    return m_textView->document()->toRawText();
}

void MarkdownHighlighter::requestParsing()
{
    if (!m_textView)
        return;
    if (m_workerRunning) {
        m_workerResultsInvalid = true;
        ++m_generation;
        return;
    }
    const quint64 generation = ++m_generation;
    ++m_startedParses;
    m_workerRunning = true;
    m_workerResultsInvalid = false;
    const QString snapshot = snapshotText();
    const ParseFunction parseFunction = m_parseFunction ? m_parseFunction : ParseFunction(&MarkdownHighlighter::parse);
    const int extensions = m_extensions;
    const std::shared_ptr<Channel> channel = m_channel;

    if (!m_worker) {
        m_worker = new MarkdownParseWorker;
        m_worker->start();
    }
    m_worker->post([snapshot, parseFunction, extensions, channel, generation]() mutable {
        const qsizetype length = snapshot.size();
        {
            bool droppedMark = false;
            // The worker makes its own copy at once and lets go of the view's text, which is
            // shared until then: the next keystroke would otherwise copy the whole text on the
            // main thread.
            const QString text = parserText(std::move(snapshot), &droppedMark);
            std::optional<MarkdownElementLists> lists = parseFunction(text.toUtf8(), extensions);
            if (lists) {
                convertOffsets(*lists, text);
                if (droppedMark) {
                    for (auto& list : *lists) {
                        for (MarkdownElementSpan& e : list) {
                            ++e.pos;
                            ++e.end;
                        }
                    }
                }
            }
            // Hand the result over without waiting for the main thread.
            std::lock_guard lock(channel->mutex);
            if (MarkdownHighlighter* receiver = channel->receiver) {
                channel->delivered = true;
                channel->generation = generation;
                channel->result = std::move(lists);
                QMetaObject::invokeMethod(receiver, &MarkdownHighlighter::takeParseResult, Qt::QueuedConnection);
            }
        }
        // The parse of a long text freed tens of bytes for each of its characters, most of it
        // below the result that stays: without this the process would keep it all.
        if (length >= kReleaseMemoryAfterLength)
            platform::releaseFreeMemory();
    });
}

void MarkdownHighlighter::takeParseResult()
{
    quint64 generation = 0;
    std::optional<MarkdownElementLists> result;
    {
        std::lock_guard lock(m_channel->mutex);
        if (!m_channel->delivered)
            return;
        m_channel->delivered = false;
        generation = m_channel->generation;
        result = std::move(m_channel->result);
        m_channel->result.reset();
    }
    parserDidParse(generation, std::move(result));
}

void MarkdownHighlighter::parserDidParse(quint64 generation, std::optional<MarkdownElementLists> elements)
{
    m_workerRunning = false;
    const bool another = std::exchange(m_workerResultsInvalid, false);
    if (generation == m_generation && elements) {
        cacheElementList(std::move(elements));
        emit parseAccepted();
        applyVisibleRangeHighlighting();
    }
    if (another)
        requestParsing();
}

void MarkdownHighlighter::onContentsChange(int position, int removed, int added)
{
    if (m_workerRunning) {
        // The running parse reads text that no longer stands. With automatic parsing the
        // debounce timer asks for the next parse; otherwise it follows at once.
        ++m_generation;
        if (!m_parseAndHighlightAutomatically)
            m_workerResultsInvalid = true;
    }
    if (!m_cachedElements)
        return;
    // Cached spans follow the edit until the next parse replaces them.
    const int removedEnd = position + removed;
    const int delta = added - removed;
    for (auto& list : *m_cachedElements) {
        for (MarkdownElementSpan& e : list) {
            // Text inserted at a span's start or end stays outside it; text inside widens it.
            if (e.pos >= removedEnd)
                e.pos += delta;
            else if (e.pos >= position)
                e.pos = position + added;
            if (e.end > position)
                e.end = e.end >= removedEnd ? e.end + delta : position;
        }
    }
    if (m_isActive && !m_inStyling) {
        const int end = position + std::min(added, 4096);
        applyHighlighting(*m_cachedElements, position, end - position);
        if (added > 4096)
            QMetaObject::invokeMethod(this, &MarkdownHighlighter::applyVisibleRangeHighlighting, Qt::QueuedConnection);
    }
}

void MarkdownHighlighter::textViewUpdateTimerFire() { requestParsing(); }

void MarkdownHighlighter::textViewTextDidChange()
{
    m_updateTimer.stop();
    m_updateTimer.start(std::max(0, int(m_waitInterval * 1000.0)));
}

void MarkdownHighlighter::textViewDidScroll()
{
    if (!m_cachedElements)
        return;
    applyVisibleRangeHighlighting();
}

void MarkdownHighlighter::textViewDidRequestUpdate(const QRect&, int dy)
{
    // Keyboard jumps and far selections move the view without a scroll-bar signal (the
    // view sets its scroll bar with signals blocked): restyle once the view has moved.
    if (dy == 0 || !m_cachedElements || m_settleRestyleQueued)
        return;
    m_settleRestyleQueued = true;
    QMetaObject::invokeMethod(this, &MarkdownHighlighter::restyleAfterScrollSettled, Qt::QueuedConnection);
}

void MarkdownHighlighter::restyleAfterScrollSettled()
{
    m_settleRestyleQueued = false;
    if (m_cachedElements)
        applyVisibleRangeHighlighting();
}

// --- Activation ---

void MarkdownHighlighter::activate()
{
    if (!m_styles)
        setStyles(std::nullopt);
    if (m_styleDependenciesPending)
        applyStyleDependenciesToTargetTextView();
    requestParsing();
    if (m_textView && !m_isActive) {
        if (m_parseAndHighlightAutomatically)
            m_observations.push_back(
                connect(m_textView, &QPlainTextEdit::textChanged, this, &MarkdownHighlighter::textViewTextDidChange));
        m_observations.push_back(connect(m_textView->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &MarkdownHighlighter::textViewDidScroll));
        m_observations.push_back(connect(m_textView->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &MarkdownHighlighter::textViewDidScroll));
        m_observations.push_back(
            connect(m_textView, &QPlainTextEdit::updateRequest, this, &MarkdownHighlighter::textViewDidRequestUpdate));
        m_textView->viewport()->installEventFilter(this);
        m_textView->viewport()->setMouseTracking(true);
    }
    m_isActive = true;
}

void MarkdownHighlighter::deactivate()
{
    if (!m_isActive)
        return;
    // Whatever the running parse finds is of no use any more; activation parses afresh.
    ++m_generation;
    m_workerResultsInvalid = false;
    m_updateTimer.stop();
    for (const QMetaObject::Connection& c : m_observations)
        disconnect(c);
    m_observations.clear();
    if (m_textView) {
        m_textView->viewport()->removeEventFilter(this);
        if (m_makeLinksClickable)
            m_textView->viewport()->setCursor(Qt::IBeamCursor);
    }
    clearElementsCache();
    // The worker's memory goes with it; activation starts another.
    finishWorker();
    m_isActive = false;
}

// --- Links ---

void MarkdownHighlighter::setMakeLinksClickable(bool on)
{
    m_makeLinksClickable = on;
    if (!on && m_textView)
        m_textView->viewport()->setCursor(Qt::IBeamCursor);
}

QString MarkdownHighlighter::linkAt(int position) const
{
    if (!m_makeLinksClickable || !m_cachedElements)
        return QString();
    for (int type : { LINK, AUTO_LINK_URL, AUTO_LINK_EMAIL }) {
        for (const MarkdownElementSpan& e : (*m_cachedElements)[type]) {
            if (e.pos > position)
                break;
            if (position < e.end && e.address >= 0)
                return linkValue(type, m_cachedElements->address(e));
        }
    }
    return QString();
}

QString MarkdownHighlighter::linkAtPoint(const QPoint& viewportPoint) const
{
    const QTextCursor cursor = m_textView->cursorForPosition(viewportPoint);
    int position = cursor.position();
    // The caret lands after a character whose right half was hit.
    if (m_textView->cursorRect(cursor).x() > viewportPoint.x())
        --position;
    return linkAt(position);
}

bool MarkdownHighlighter::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_textView || watched != m_textView->viewport())
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::Show:
        QMetaObject::invokeMethod(this, &MarkdownHighlighter::textViewDidScroll, Qt::QueuedConnection);
        break;
    case QEvent::MouseButtonPress:
        m_pressPoint = static_cast<QMouseEvent*>(event)->position().toPoint();
        break;
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint point = mouse->position().toPoint();
        if (m_makeLinksClickable && mouse->button() == Qt::LeftButton
            && (point - m_pressPoint).manhattanLength() < QApplication::startDragDistance()) {
            const QString link = linkAtPoint(point);
            if (!link.isEmpty())
                QDesktopServices::openUrl(QUrl(link));
        }
        break;
    }
    case QEvent::MouseMove:
        if (m_makeLinksClickable) {
            const QPoint point = static_cast<QMouseEvent*>(event)->position().toPoint();
            m_textView->viewport()->setCursor(linkAtPoint(point).isEmpty() ? Qt::IBeamCursor : Qt::PointingHandCursor);
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace penwick
