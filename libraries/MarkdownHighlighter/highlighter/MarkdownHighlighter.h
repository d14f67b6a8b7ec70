#pragma once

#include "highlighter/MarkdownElementLists.h"
#include "highlighter/MarkdownHighlightingStyle.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTextCharFormat>
#include <QTextLayout>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>


class QTextBlock;
class QTextDocument;

namespace penwick {

class MarkdownParseWorker;

// Highlights the Markdown of one text view: parses a snapshot of the text on a
// worker thread, keeps the resulting spans, and styles the visible text from
// them with layout formats (which never enter the undo history or mark the
// document modified). Also applies editor themes.
class MarkdownHighlighter : public QObject {
    Q_OBJECT
public:
    // Parses NUL-free UTF-8 text into element lists in code points; nullopt when
    // the parser gave up, in which case the previous highlighting stays.
    // Runs on the worker thread.
    using ParseFunction = std::function<std::optional<MarkdownElementLists>(const QByteArray& utf8Text, int extensions)>;
    // Receives every style-sheet message of one theme, each as "(Line %i): %@".
    using StyleErrorHandler = std::function<void(const QStringList& errors)>;

    explicit MarkdownHighlighter(QObject* parent = nullptr);
    explicit MarkdownHighlighter(QPlainTextEdit* textView, QObject* parent = nullptr);
    MarkdownHighlighter(QPlainTextEdit* textView, double waitInterval, QObject* parent = nullptr);
    MarkdownHighlighter(QPlainTextEdit* textView, double waitInterval,
        const std::optional<QList<MarkdownHighlightingStyle>>& styles, QObject* parent = nullptr);
    ~MarkdownHighlighter() override;

    // The element parser of this project, sorted and copied into element lists.
    static std::optional<MarkdownElementLists> parse(const QByteArray& utf8Text, int extensions);
    // Replaces the parser (tests and benchmarks inject slow or counting parsers).
    void setParseFunction(ParseFunction parse);

    // Rewrites code-point positions to UTF-16 offsets of `text` in one sweep.
    static void convertOffsets(MarkdownElementLists& lists, const QString& text);

    // --- Properties ---
    bool hasStyles() const { return m_styles.has_value(); }
    QList<MarkdownHighlightingStyle> styles() const { return m_styles.value_or(QList<MarkdownHighlightingStyle>()); }
    // None installs the default set.
    void setStyles(const std::optional<QList<MarkdownHighlightingStyle>>& styles);
    const std::optional<MarkdownHighlightingStyle>& currentLineStyle() const { return m_currentLineStyle; }
    double waitInterval() const { return m_waitInterval; }
    void setWaitInterval(double seconds) { m_waitInterval = seconds; }
    QPlainTextEdit* targetTextView() const { return m_textView; }
    void setTargetTextView(QPlainTextEdit* textView);
    bool parseAndHighlightAutomatically() const { return m_parseAndHighlightAutomatically; }
    void setParseAndHighlightAutomatically(bool on) { m_parseAndHighlightAutomatically = on; }
    bool isActive() const { return m_isActive; }
    bool resetTypingAttributes() const { return m_resetTypingAttributes; }
    void setResetTypingAttributes(bool on) { m_resetTypingAttributes = on; }
    bool makeLinksClickable() const { return m_makeLinksClickable; }
    void setMakeLinksClickable(bool on);
    int extensions() const { return m_extensions; }
    void setExtensions(int extensions) { m_extensions = extensions; }
    // Whether a debounce wait is running.
    bool isUpdatePending() const { return m_updateTimer.isActive(); }
    QColor defaultTextColor() const { return m_defaultTextColor; }
    void setDefaultTextColor(const QColor& color) { m_defaultTextColor = color; }
    // Whether a parse of this highlighter is running on the worker.
    bool isParsing() const { return m_workerRunning; }
    // How many parses this highlighter has started.
    int startedParseCount() const { return m_startedParses; }
    const QTextCharFormat& defaultTypingAttributes() const { return m_defaultTypingAttributes; }
    // The last theme's selection look (the defaults when it had no selection rule).
    const QTextCharFormat& selectedTextAttributes() const { return m_selectedTextAttributes; }
    // How link spans are drawn when links are clickable (from the first LINK style).
    const QTextCharFormat& linkTextAttributes() const { return m_linkTextAttributes; }
    // The last theme's caret colour, if it gave one.
    QColor insertionPointColor() const { return m_insertionPointColor; }
    const QStringList& styleParsingErrors() const { return m_styleParsingErrors; }
    // The element lists of the last accepted parse, in editor offsets.
    const std::optional<MarkdownElementLists>& cachedElements() const { return m_cachedElements; }

    // --- Operations ---
    void requestParsing();
    static quint64 getClearFontTraitMask(quint64 traits);
    void clearHighlightingForRange(int start, int length);
    void readClearTextStylesFromTextView();
    void applyHighlighting(const MarkdownElementLists& elements, int start, int length);
    void applyVisibleRangeHighlighting();
    void clearHighlighting();
    void cacheElementList(std::optional<MarkdownElementLists> elements);
    void clearElementsCache() { cacheElementList(std::nullopt); }
    static const QList<MarkdownHighlightingStyle>& getDefaultStyles();
    void applyStyleDependenciesToTargetTextView();
    static const QTextCharFormat& getDefaultSelectedTextAttributes();
    void handleStyleParsingError(const std::optional<QString>& message, int lineNumber);
    // Applies a theme's style sheet; `errors` (if set) gets all messages at once, before anything is applied.
    void applyStylesFromStylesheet(const QString& styleSheet, const StyleErrorHandler& errors = {});
    void parseAndHighlightNow() { requestParsing(); }
    void highlightNow() { applyVisibleRangeHighlighting(); }
    void activate();
    void deactivate();

    // The address a clickable link span at `position` opens ("mailto:" before e-mail addresses); empty when none.
    QString linkAt(int position) const;
    // Sets the layout formats of a block of a view's document. Clearing reaches only blocks
    // whose formats were set here, so whatever else colours a highlighted view sets them here too.
    static bool setLayoutFormats(QTextDocument* document, const QTextBlock& block, const QList<QTextLayout::FormatRange>& formats);
    // Whether formats were set on the block through setLayoutFormats (and not taken off since).
    static bool hasLayoutFormats(const QTextBlock& block);

    // The character range that is visible in the text view.
    std::pair<int, int> visibleRange() const;

    // Parses of all highlighters not yet done (a destroyed highlighter's parse runs to its end).
    static int runningWorkerCount();

signals:
    // A parse result was accepted into the cache.
    void parseAccepted();
    // A styling pass changed the look of the text.
    void highlightingApplied();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Channel;
    // The block state that marks a block with layout formats (the state is otherwise unused).
    static constexpr int kFormattedBlock = 0x5057;

    void textViewUpdateTimerFire();
    void textViewTextDidChange();
    void textViewDidScroll();
    void textViewDidRequestUpdate(const QRect& rect, int dy);
    void restyleAfterScrollSettled();
    void takeParseResult();
    void parserDidParse(quint64 generation, std::optional<MarkdownElementLists> elements);
    void onContentsChange(int position, int removed, int added);
    QString snapshotText() const;
    void finishWorker();
    QTextCharFormat clearFormat() const;
    QFont baseFont() const;
    bool setBlockFormats(const QTextBlock& block, const QList<QTextLayout::FormatRange>& formats);
    // The range of a long paragraph that a restyling of [start, end) covers.
    std::pair<int, int> styledPartOf(const QTextBlock& block, int start, int end) const;
    QString linkAtPoint(const QPoint& viewportPoint) const;

    // Paragraphs of at least this many characters are styled without text shaping.
    static constexpr int kUnshapedParagraph = 1 << 16;

    std::optional<QList<MarkdownHighlightingStyle>> m_styles;
    std::optional<MarkdownHighlightingStyle> m_currentLineStyle;
    double m_waitInterval = 1.0;
    QPointer<QPlainTextEdit> m_textView;
    bool m_parseAndHighlightAutomatically = true;
    bool m_isActive = false;
    bool m_resetTypingAttributes = true;
    bool m_makeLinksClickable = false;
    int m_extensions = 0;
    QTimer m_updateTimer;
    QColor m_defaultTextColor;
    QTextCharFormat m_defaultTypingAttributes;
    QTextCharFormat m_selectedTextAttributes;
    QTextCharFormat m_linkTextAttributes;
    QColor m_insertionPointColor;

    std::optional<MarkdownElementLists> m_cachedElements;
    bool m_workerRunning = false;
    bool m_workerResultsInvalid = false; // a request came during the parse: one more parse follows it
    quint64 m_generation = 0;            // results of other generations are stale
    int m_startedParses = 0;
    bool m_styleDependenciesPending = false;
    QStringList m_styleParsingErrors;
    quint64 m_clearFontTraitMask = 0;
    bool m_inStyling = false;
    bool m_settleRestyleQueued = false;
    QPoint m_pressPoint;
    ParseFunction m_parseFunction;
    std::shared_ptr<Channel> m_channel;
    MarkdownParseWorker* m_worker = nullptr; // ends and deletes itself once finished
    std::vector<QMetaObject::Connection> m_observations;
    QMetaObject::Connection m_documentObservation;
};

} // namespace penwick
