#include "shell/TVXTextEditorViewController.h"

#include "common/AppLogger.h"
#include "shell/MainTextEditor.h"
#include "shell/MarkdownSpellingSkips.h"
#include "common/Notifications.h"
#include "shell/OverlayScrollView.h"
#include "shell/OverlayScroller.h"
#include "common/Prefs.h"
#include "shell/TVXDocument.h"
#include "shell/ThemeErrorsBar.h"

#include "Extensions/MarkdownStringAdditions.h"
#include "highlighter/EditorThemes.h"
#include "highlighter/MarkdownHighlighter.h"
#include "highlighter/mdh_parser.h"
#include "preferences/EditorPreferencesSynchronizer.h"
#include "preferences/ThemeListLoader.h"
#include "preferences/ThemesFactory.h"
#include "common/MagicStrings.h"

#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/text/ContinuousSpellChecker.h"
#include "platform/text/ParagraphLayout.h"

#include <QApplication>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace penwick {

namespace {

const QString kEnabledTextCheckingTypes = QStringLiteral("enabledTextCheckingTypes");

// The settings whose change restyles every pane.
const QStringList& styleSettings()
{
    static const QStringList keys = { Prefs::EDITOR_THEME_NAME, TVXTextEditorViewController::EDITOR_LINE_HEIGHT,
        TVXTextEditorViewController::EDITOR_PARAGRAPH_SPACING, TVXTextEditorViewController::EDITOR_FIRST_LINE_INDENT,
        Prefs::EDITOR_FONTFAMILY, Prefs::EDITOR_FONTSIZE };
    return keys;
}

// Sets `color` as the foreground of a whole block, over whatever its layout formats say.
void recolorBlock(QTextDocument* document, const QTextBlock& block, const QColor& color)
{
    QTextLayout* layout = block.layout();
    if (!layout)
        return;
    const int length = block.length() - 1;
    QList<QTextLayout::FormatRange> ranges = layout->formats();
    std::sort(ranges.begin(), ranges.end(), [](const auto& a, const auto& b) { return a.start < b.start; });
    QTextCharFormat plain;
    plain.setForeground(color);
    QList<QTextLayout::FormatRange> out;
    int at = 0;
    for (QTextLayout::FormatRange range : std::as_const(ranges)) {
        if (range.start > at)
            out.append({ at, range.start - at, plain });
        range.format.setForeground(color);
        out.append(range);
        at = std::max(at, range.start + range.length);
    }
    if (at < length)
        out.append({ at, length - at, plain });
    MarkdownHighlighter::setLayoutFormats(document, block, out);
}

} // namespace

QString TVXTextEditorViewController::textCheckingKey(const QString& name) { return QStringLiteral("editor") + name; }

QVariant TVXTextEditorViewController::textCheckingDefault(const QString& name)
{
    static const QVariantMap defaults = [] {
        QVariantMap map;
        for (const QString& name : MainTextEditor::textCheckingProperties())
            map.insert(name, false);
        map.insert(kEnabledTextCheckingTypes, QVariant::fromValue(std::numeric_limits<quint64>::max()));
        map.insert(QStringLiteral("continuousSpellCheckingEnabled"), true);
        return map;
    }();
    return defaults.value(name);
}

void TVXTextEditorViewController::installAsEditorFactory()
{
    TVXDocument::setEditorViewControllerFactory([](TVXDocument* document) -> EditorViewControllerInterface* {
        // Until an editor theme is chosen, the shipped theme the Editor preferences show first.
        // Not the document's own theme: a theme chosen later in the preferences must reach it.
        // Given at construction, so that the text is styled and parsed once.
        const auto shipped = sortedDescending(ThemesFactory::sharedInstance().getBundledThemesOfType(
            EditorStrings::THEME_EXT, EditorStrings::THEMES_FOLDER));
        return new TVXTextEditorViewController(document, nullptr,
            shipped.isEmpty() ? std::nullopt : std::optional<QString>(shipped.first().path()));
    });
}

TVXTextEditorViewController::TVXTextEditorViewController(
    TVXDocument* document, QObject* parent, const std::optional<QString>& fallbackStylePath)
    : TVXEditorViewController(document, parent)
    , m_fallbackStylePath(fallbackStylePath)
{
    // The pane's view: the editor filling it.
    auto* pane = new QWidget;
    pane->setObjectName(QStringLiteral("MarkdownEditorView"));
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    m_themeErrors = new ThemeErrorsBar(pane);
    layout->addWidget(m_themeErrors);
    m_editor = new MainTextEditor(pane);
    layout->addWidget(m_editor);
    OverlayScrollView::overlayVerticalScroller(m_editor);
    setView(pane);
    m_editor->awakeFromNib();

    platform::NotificationCenter::defaultCenter().addObserver(
        this, Notifications::TEXT_EDITOR_THEME_LOADED, nullptr, [this](const platform::Notification&) { applyStyles(); });
    for (const QString& key : styleSettings())
        m_observations.push_back(platform::UserDefaults::standard().observe(key, this, [this](const QString&) {
            // Settings can change on another thread; styles are applied on the main one.
            QMetaObject::invokeMethod(this, &TVXTextEditorViewController::settingChanged, Qt::AutoConnection);
        }));
    setupDocument();
    awakeFromNib();
}

TVXTextEditorViewController::~TVXTextEditorViewController()
{
    if (m_highlighter)
        m_highlighter->deactivate();
    removeObservers();
}

// --- Set-up ---

struct TVXTextEditorViewController::HeldActivation {
    explicit HeldActivation(TVXTextEditorViewController* pane)
        : pane(pane)
    {
        ++pane->m_heldActivations;
    }
    ~HeldActivation() { --pane->m_heldActivations; }
    HeldActivation(const HeldActivation&) = delete;
    HeldActivation& operator=(const HeldActivation&) = delete;
    TVXTextEditorViewController* pane;
};

void TVXTextEditorViewController::activateHighlighter()
{
    if (m_highlighter && m_heldActivations == 0)
        m_highlighter->activate();
}

void TVXTextEditorViewController::awakeFromNib()
{
    {
        HeldActivation held(this);
        m_editor->setString(QString());
        setupEditor();
        applyParagraphStyle();
        setEditorKeys();
        // A switch the user turns carries over to every pane and to the next launch.
        m_editorConnections.push_back(connect(m_editor, &MainTextEditor::textCheckingChanged, this,
            [](const QString& name, const QVariant& value) {
                platform::UserDefaults::standard().setValue(textCheckingKey(name), value);
            }));
    }
    activateHighlighter();
}

void TVXTextEditorViewController::setupEditor()
{
    m_editorConnections.push_back(
        connect(m_editor, &platform::TextView::textDidChange, this, &TVXTextEditorViewController::textDidChange));
    m_editorConnections.push_back(connect(m_editor, &QPlainTextEdit::cursorPositionChanged, this,
        &TVXTextEditorViewController::textViewDidChangeSelection));
    m_editorConnections.push_back(connect(m_editor, &QPlainTextEdit::selectionChanged, this,
        &TVXTextEditorViewController::textViewDidChangeSelection));
    // Editing undoes through the document: its edited state follows this view's undo manager.
    if (TVXDocument* doc = document())
        doc->setUndoManager(m_editor->undoManager());
    m_editor->spellChecker()->setSkipRanges(
        [this](platform::TextRange checked) { return spellingSkipRanges(checked); });
    setupHighlighter();
    loadDocument();
}

void TVXTextEditorViewController::setupHighlighter()
{
    m_highlighter = new MarkdownHighlighter(m_editor, 0.0, this);
    m_highlighter->setParseAndHighlightAutomatically(true);
    m_highlighter->setResetTypingAttributes(true);
}

void TVXTextEditorViewController::loadDocument()
{
    TVXDocument* doc = document();
    if (m_editor && doc && !doc->contents().isNull()) {
        m_editor->setString(doc->contents());
        // The view keeps the text too: where its copy gives the file back unchanged, the
        // document holds that one instead of a second (60 MB for a 30 MB file).
        if (const QString loaded = m_editor->fileString(); loaded == doc->contents())
            doc->setContents(loaded);
        applyTextChange();
    }
    applyStyles();
}

// --- Styles ---

void TVXTextEditorViewController::applyStyles()
{
    if (!m_editor || !m_highlighter)
        return;
    m_highlighter->deactivate();
    std::optional<QString> path = overriddenStylePath()
        ? overriddenStylePath()
        : EditorPreferencesSynchronizer::sharedInstance().getPreferredThemePath();
    if (!path)
        path = m_fallbackStylePath;
    if (!path)
        return;
    {
        HeldActivation held(this);
        applyParagraphStyle();
    }
    m_editor->setFont(EditorPreferencesSynchronizer::sharedInstance().getPreferredFont());
    // The theme's "editor" rule decides the text and background colours.
    m_editor->setPalette(QApplication::palette(m_editor));
    m_highlighter->setStyles(std::nullopt);
    m_highlighter->readClearTextStylesFromTextView();
    // Mistakes in the theme show above the editor, with their lines; the rest of it applies.
    QString unreadable;
    bool mistaken = false;
    if (const std::optional<QString> sheet = readEditorTheme(*path, &unreadable)) {
        m_highlighter->applyStylesFromStylesheet(*sheet, [this, &path, &mistaken](const QStringList& mistakes) {
            mistaken = true;
            if (m_themeErrors && m_themeErrors->showMistakes(*path, mistakes)) {
                for (const QString& mistake : mistakes)
                    appLog().error(QStringLiteral("Editor theme %1: %2").arg(*path, mistake));
            }
        });
    } else if (m_themeErrors && m_themeErrors->showUnreadable(*path, unreadable)) {
        appLog().error(unreadable);
    }
    if (m_themeErrors && !mistaken && unreadable.isEmpty())
        m_themeErrors->clear();
    const QColor text = m_editor->palette().color(QPalette::Text);
    m_activeColor = QColor::fromRgbF(text.redF(), text.greenF(), text.blueF(), 1.0);
    m_inactiveColor = QColor::fromRgbF(text.redF(), text.greenF(), text.blueF(), INACTIVE_ALPHA);
    if (m_distractionFree)
        applyDistractionFreeModeAttributes();
    activateHighlighter();
    m_editor->setAutomaticLinkDetectionEnabled(false);
}

void TVXTextEditorViewController::applyParagraphStyle()
{
    if (!m_editor || !m_highlighter)
        return;
    m_highlighter->deactivate();
    const platform::UserDefaults& defaults = platform::UserDefaults::standard();
    platform::ParagraphStyle style;
    style.lineSpacing = qreal(defaults.integerForKey(EDITOR_LINE_HEIGHT));
    style.paragraphSpacing = qreal(defaults.integerForKey(EDITOR_PARAGRAPH_SPACING));
    style.firstLineHeadIndent = qreal(defaults.integerForKey(EDITOR_FIRST_LINE_INDENT));
    m_editor->setDefaultParagraphStyle(style);
    activateHighlighter();
}

void TVXTextEditorViewController::setEditorKeys()
{
    const platform::UserDefaults& defaults = platform::UserDefaults::standard();
    for (const QString& name : MainTextEditor::textCheckingProperties()) {
        const QVariant stored = defaults.object(textCheckingKey(name));
        const QVariant value = stored.isValid() ? stored : textCheckingDefault(name);
        m_editor->setTextCheckingValue(name,
            name == kEnabledTextCheckingTypes ? QVariant::fromValue(value.toULongLong()) : QVariant(value.toBool()));
    }
}

void TVXTextEditorViewController::settingChanged()
{
    m_renewParagraphStyle = true;
    applyStyles();
}

void TVXTextEditorViewController::setOverriddenStylePath(const std::optional<QString>& path)
{
    TVXEditorViewController::setOverriddenStylePath(path);
    applyStyles();
}

void TVXTextEditorViewController::setFallbackStylePath(const std::optional<QString>& path)
{
    m_fallbackStylePath = path;
    applyStyles();
}

void TVXTextEditorViewController::removeObservers()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    m_observations.clear();
    for (const QMetaObject::Connection& c : m_editorConnections)
        disconnect(c);
    m_editorConnections.clear();
    for (const QMetaObject::Connection& c : m_scrollConnections)
        disconnect(c);
    m_scrollConnections.clear();
}

// --- Text changes ---

void TVXTextEditorViewController::applyTextChange()
{
    if (std::exchange(m_renewParagraphStyle, false))
        applyParagraphStyle();
    if (TVXEditorViewControllerDelegate* d = delegate())
        d->editorTextUpdated(this);
}

void TVXTextEditorViewController::textDidChange()
{
    applyTextChange();
    setChangedSinceLastTempAutoSave(true);
}

void TVXTextEditorViewController::textViewDidChangeSelection()
{
    if (m_distractionFree)
        applyDistractionFreeModeAttributes();
}

void TVXTextEditorViewController::removeDelegates()
{
    for (const QMetaObject::Connection& c : m_editorConnections)
        disconnect(c);
    m_editorConnections.clear();
    TVXEditorViewController::removeDelegates();
}

std::optional<QString> TVXTextEditorViewController::getTextStorage(bool breakUndoCoalescing)
{
    if (!m_editor)
        return std::nullopt;
    if (breakUndoCoalescing)
        m_editor->breakUndoCoalescing();
    return m_editor->fileString();
}

platform::TextView* TVXTextEditorViewController::getEditorTextView() { return m_editor; }

QWidget* TVXTextEditorViewController::documentView() const { return m_editor; }

void TVXTextEditorViewController::willClose()
{
    if (!m_highlighter)
        return;
    m_highlighter->deactivate();
    delete m_highlighter.data();
}

// --- Margins and scrolling ---

void TVXTextEditorViewController::adjustForWindow(QWidget* window) { adjustMarginsForWindow(window); }

void TVXTextEditorViewController::adjustMarginsForWindow(QWidget* window)
{
    if (!m_editor)
        return;
    const QSizeF margin = EditorPreferencesSynchronizer::sharedInstance().getPreferredMarginForFrame(
        QRectF(m_editor->viewport()->rect()), window);
    m_editor->setMarginSize(margin);
    if (m_highlighter)
        m_highlighter->highlightNow();
    m_editor->viewport()->repaint();
}

void TVXTextEditorViewController::selectAndScroll(platform::TextRange range, bool doSelect)
{
    if (!m_editor || !m_highlighter)
        return;
    m_highlighter->deactivate();
    // The range's line goes to the top of the visible area. (Measured from the top: Qt's y
    // grows downwards, so the edge that lies under the text counting upwards is the top here.)
    const QTextBlock block = m_editor->document()->findBlock(int(std::min(range.location, m_editor->textLength())));
    int line = block.firstLineNumber();
    if (QTextLayout* layout = block.layout(); layout && layout->lineCount() > 0)
        line += std::max(0, layout->lineForTextPosition(int(range.location) - block.position()).lineNumber());
    m_editor->verticalScrollBar()->setValue(line);
    // Activation parses the text anew: a parse asked for before it would be thrown away.
    m_highlighter->activate();
    if (doSelect)
        m_editor->setSelectedRange(range);
}

// --- Distraction-free mode ---

void TVXTextEditorViewController::enterDistractionFreeMode()
{
    m_distractionFree = true;
    if (m_highlighter)
        m_highlighter->deactivate();
    if (!m_editor)
        return;
    m_scrollConnections.push_back(connect(m_editor->verticalScrollBar(), &QScrollBar::valueChanged, this,
        &TVXTextEditorViewController::textViewDidScroll));
    m_scrollConnections.push_back(connect(m_editor->verticalScrollBar(), &QScrollBar::rangeChanged, this,
        &TVXTextEditorViewController::textViewDidScroll));
}

void TVXTextEditorViewController::exitDistractionFreeMode()
{
    for (const QMetaObject::Connection& c : m_scrollConnections)
        disconnect(c);
    m_scrollConnections.clear();
    m_distractionFree = false;
    if (m_highlighter)
        m_highlighter->activate();
}

void TVXTextEditorViewController::textViewDidScroll() { applyDistractionFreeModeAttributes(); }

void TVXTextEditorViewController::applyDistractionFreeModeAttributes()
{
    if (!m_editor)
        return;
    QTextDocument* doc = m_editor->document();
    const QRect rect = m_editor->viewport()->rect();
    const QTextBlock top = m_editor->cursorForPosition(rect.topLeft()).block();
    const QTextBlock bottom = m_editor->cursorForPosition(rect.bottomRight()).block();
    const QTextCursor selection = m_editor->textCursor();
    const int activeFrom = doc->findBlock(selection.selectionStart()).blockNumber();
    const int activeTo = doc->findBlock(selection.selectionEnd()).blockNumber();
    for (QTextBlock block = top; block.isValid(); block = block.next()) {
        const bool active = block.blockNumber() >= activeFrom && block.blockNumber() <= activeTo;
        recolorBlock(doc, block, active ? m_activeColor : m_inactiveColor);
        if (block == bottom)
            break;
    }
}

// --- Spelling ---

platform::TextRanges TVXTextEditorViewController::spellingSkipRanges(platform::TextRange checked) const
{
    platform::TextRanges skip;
    if (!m_editor)
        return skip;
    if (m_highlighter && m_highlighter->cachedElements()) {
        const MarkdownElementLists& lists = *m_highlighter->cachedElements();
        for (int type : { CODE, VERBATIM, AUTO_LINK_URL, AUTO_LINK_EMAIL, HTML, COMMENT }) {
            const auto& list = lists[type];
            // Lists are sorted by start and these elements do not nest: the first that can
            // reach into the checked range is the last one starting before it, however long.
            auto it = std::lower_bound(list.begin(), list.end(), checked.location,
                [](const MarkdownElementSpan& e, qint64 p) { return e.pos < p; });
            if (it != list.begin())
                --it;
            for (; it != list.end() && it->pos < checked.end(); ++it) {
                if (it->end > checked.location)
                    skip.append(platform::TextRange(it->pos, it->end - it->pos));
            }
        }
    }
    // Found in the text as well: the highlighter is off in distraction-free mode, and its
    // grammar knows no fences.
    skip += MarkdownSpellingSkips::codeRanges(m_editor->string(), checked);
    skip += MarkdownSpellingSkips::destinations(m_editor->substring(checked), checked.location);
    // The front matter at the top (looked for in the first 64 KiB only).
    if (checked.location < 65536 && m_editor->string().startsWith(QStringLiteral("---"))) {
        static const QRegularExpression pattern(kFrontMatterPattern,
            QRegularExpression::DotMatchesEverythingOption | QRegularExpression::UseUnicodePropertiesOption);
        const QRegularExpressionMatch match = pattern.match(m_editor->substring(platform::TextRange(0, 65536)));
        if (match.hasMatch())
            skip.append(platform::TextRange(0, match.capturedLength(0)));
    }
    return skip;
}

} // namespace penwick
