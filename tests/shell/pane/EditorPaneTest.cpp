#include "shell/DocumentWindowControllerInterface.h"
#include "shell/MainTextEditor.h"
#include "shell/OverlayScroller.h"
#include "shell/PenwickWindow.h"
#include "shell/TVXDocument.h"
#include "shell/TVXTextEditorViewController.h"
#include "shell/ThemeErrorsBar.h"

#include "TestSupport.h"
#include "highlighter/MarkdownHighlighter.h"
#include "platform/UserDefaults.h"
#include "platform/text/ContinuousSpellChecker.h"
#include "platform/text/ParagraphLayout.h"
#include "platform/text/UndoManager.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QScrollBar>
#include <QToolButton>
#include <QTextBlock>

#include <gtest/gtest.h>

#include <memory>

namespace penwick::test {
namespace {

using platform::TextRange;
using platform::TextRanges;
using platform::UserDefaults;

QString writeTheme(const QString& name, const QString& background)
{
    const QString path = temporaryFolder() + QLatin1Char('/') + name + QStringLiteral(".txt");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("editor\n    foreground: 202020\n    background: %1\n\nCODE\n    foreground: 008000\n")
                   .arg(background)
                   .toUtf8());
    return path;
}

// Stands in for the document window's controller (not part of these tests).
class RecordingWindowController : public QObject, public DocumentWindowControllerInterface {
public:
    void dragAndDropOpen(const QStringList& paths) override { opened.append(paths); }
    QUrl baseURLOfWindowOrDocument() const override { return baseURL; }
    QList<QStringList> opened;
    QUrl baseURL;
};

class EditorPaneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const QString& name : MainTextEditor::textCheckingProperties())
            UserDefaults::standard().removeObject(TVXTextEditorViewController::textCheckingKey(name));
        for (const QString& key : { TVXTextEditorViewController::EDITOR_LINE_HEIGHT,
                 TVXTextEditorViewController::EDITOR_PARAGRAPH_SPACING, TVXTextEditorViewController::EDITOR_FIRST_LINE_INDENT })
            UserDefaults::standard().removeObject(key);
        theme = writeTheme(QStringLiteral("Plain"), QStringLiteral("FFFFFF"));
        UserDefaults::standard().setValue(QStringLiteral("editorThemePreference"), theme);
    }

    std::unique_ptr<TVXTextEditorViewController> makePane(const QString& text)
    {
        auto document = std::make_unique<TVXDocument>();
        document->setContents(text);
        auto pane = std::make_unique<TVXTextEditorViewController>(document.get());
        pane->view()->resize(600, 400);
        pane->view()->show();
        documents.push_back(std::move(document));
        return pane;
    }

    void waitForParse(TVXTextEditorViewController& pane)
    {
        ASSERT_TRUE(waitUntil([&] { return pane.highlighter()->cachedElements().has_value() && !pane.highlighter()->isParsing(); }));
        pane.editorTextView()->spellChecker()->checkVisibleText();
    }

    // The document is clean and the view's undo history empty.
    void expectClean(TVXTextEditorViewController& pane)
    {
        QApplication::processEvents();
        EXPECT_FALSE(pane.editorTextView()->undoManager()->canUndo());
        EXPECT_EQ(pane.document()->changeCount(), 0);
        EXPECT_FALSE(pane.document()->isDocumentEdited());
    }

    QString theme;
    std::vector<std::unique_ptr<TVXDocument>> documents;
};

TEST_F(EditorPaneTest, LoadsTheDocumentAndStaysClean)
{
    auto pane = makePane(QStringLiteral("# Title\n\nSome text.\n"));
    EXPECT_EQ(pane->editorTextView()->string(), QStringLiteral("# Title\n\nSome text.\n"));
    EXPECT_TRUE(pane->hasCloseButton());
    EXPECT_EQ(pane->title(), pane->document()->displayName());
    EXPECT_TRUE(pane->highlighter()->isActive());
    EXPECT_EQ(pane->document()->undoManager(), pane->editorTextView()->undoManager());
    waitForParse(*pane);
    expectClean(*pane);
    EXPECT_EQ(pane->getTextStorage(true), QStringLiteral("# Title\n\nSome text.\n"));
}

TEST_F(EditorPaneTest, TheDocumentAndItsEditorKeepOneCopyOfTheText)
{
    struct Case {
        const char* name;
        QString text;
        bool shared;
    };
    const Case cases[] = {
        { "line feeds: one copy", QStringLiteral("# Title\n\nSome text.\n"), true },
        { "carriage returns: the file's own text stays", QStringLiteral("# Title\r\n\r\nSome text.\r\n"), false },
    };
    for (const Case& c : cases) {
        auto pane = makePane(c.text);
        EXPECT_EQ(pane->document()->contents(), c.text) << c.name;
        EXPECT_EQ(pane->document()->contents().constData() == pane->editorTextView()->string().constData(), c.shared)
            << c.name;
        // The first change leaves the document's text as it was read.
        pane->editorTextView()->insertText(QStringLiteral("@"));
        EXPECT_EQ(pane->document()->contents(), c.text) << c.name;
        EXPECT_TRUE(pane->editorTextView()->string().contains(QLatin1Char('@'))) << c.name;
    }
}

TEST_F(EditorPaneTest, OpeningADocumentAndJumpingInItParseItOnceEach)
{
    // A parse of a long text takes seconds and hundreds of megabytes: none is thrown away.
    // The editor is made as the program makes it, with the shipped theme to fall back on.
    TVXTextEditorViewController::installAsEditorFactory();
    TVXDocument document;
    document.setContents(QStringLiteral("# Title\n\nSome *text*.\n\n## Later\n"));
    auto* pane = dynamic_cast<TVXTextEditorViewController*>(document.editorViewController());
    TVXDocument::setEditorViewControllerFactory({});
    ASSERT_NE(pane, nullptr);
    ASSERT_TRUE(pane->fallbackStylePath().has_value());
    pane->view()->resize(600, 400);
    pane->view()->show();
    const auto settled = [&] {
        return waitUntil([&] {
            return pane->highlighter()->cachedElements().has_value() && !pane->highlighter()->isParsing()
                && MarkdownHighlighter::runningWorkerCount() == 0;
        });
    };
    ASSERT_TRUE(settled());
    EXPECT_EQ(pane->highlighter()->startedParseCount(), 1);
    pane->selectAndScroll(TextRange(23, 8), true);
    ASSERT_TRUE(settled());
    EXPECT_EQ(pane->highlighter()->startedParseCount(), 2);
    EXPECT_EQ(pane->editorTextView()->selectedRange(), TextRange(23, 8));
}

TEST_F(EditorPaneTest, TextCheckingSettingsStartFromTheTableAndCarryOver)
{
    auto first = makePane(QStringLiteral("text"));
    MainTextEditor* editor = first->editorTextView();
    for (const QString& name : MainTextEditor::textCheckingProperties())
        EXPECT_EQ(editor->textCheckingValue(name), TVXTextEditorViewController::textCheckingDefault(name)) << qPrintable(name);
    EXPECT_TRUE(editor->isContinuousSpellCheckingEnabled());
    EXPECT_EQ(TVXTextEditorViewController::textCheckingDefault(QStringLiteral("enabledTextCheckingTypes")).toULongLong(),
        ~quint64(0));

    editor->setContinuousSpellCheckingEnabled(false);
    const QVariant stored = UserDefaults::standard().object(QStringLiteral("editorcontinuousSpellCheckingEnabled"));
    ASSERT_TRUE(stored.isValid());
    EXPECT_FALSE(stored.toBool());
    auto second = makePane(QStringLiteral("text"));
    EXPECT_FALSE(second->editorTextView()->isContinuousSpellCheckingEnabled());

    // Grammar checking has no service here; its switch is kept all the same.
    second->editorTextView()->setTextCheckingValue(QStringLiteral("grammarCheckingEnabled"), true);
    EXPECT_TRUE(UserDefaults::standard().boolForKey(QStringLiteral("editorgrammarCheckingEnabled")));
    auto third = makePane(QStringLiteral("text"));
    EXPECT_TRUE(third->editorTextView()->textCheckingValue(QStringLiteral("grammarCheckingEnabled")).toBool());
}

TEST_F(EditorPaneTest, ALineHeightChangeAppliesAtOnceAndAgainAtTheNextKeystroke)
{
    auto pane = makePane(QStringLiteral("one\ntwo\n"));
    waitForParse(*pane);
    UserDefaults::standard().setValue(TVXTextEditorViewController::EDITOR_LINE_HEIGHT, 9);
    EXPECT_EQ(pane->editorTextView()->defaultParagraphStyle().lineSpacing, 9.0);
    EXPECT_TRUE(pane->needsParagraphStyleRenewal());
    pane->editorTextView()->setSelectedRange(TextRange(3, 0));
    pane->editorTextView()->insertText(QStringLiteral("x"));
    EXPECT_FALSE(pane->needsParagraphStyleRenewal());
    EXPECT_EQ(pane->editorTextView()->defaultParagraphStyle().lineSpacing, 9.0);
    UserDefaults::standard().removeObject(TVXTextEditorViewController::EDITOR_LINE_HEIGHT);
}

TEST_F(EditorPaneTest, StylesParagraphsDimmingAndSpellingLeaveTheDocumentClean)
{
    auto pane = makePane(QStringLiteral("# Teh title\n\nSome teh text.\n\nMore `code` here.\n"));
    waitForParse(*pane);
    for (const QString& key : { TVXTextEditorViewController::EDITOR_LINE_HEIGHT,
             TVXTextEditorViewController::EDITOR_PARAGRAPH_SPACING, TVXTextEditorViewController::EDITOR_FIRST_LINE_INDENT })
        UserDefaults::standard().setValue(key, 6);
    // Clean after each step, so that no step's undo entry can hide behind another's.
    pane->applyStyles();
    expectClean(*pane);
    pane->setOverriddenStylePath(writeTheme(QStringLiteral("Other"), QStringLiteral("F0F0E0")));
    expectClean(*pane);
    pane->enterDistractionFreeMode();
    pane->editorTextView()->setSelectedRange(TextRange(14, 0));
    pane->applyDistractionFreeModeAttributes();
    expectClean(*pane);
    pane->exitDistractionFreeMode();
    waitForParse(*pane);
    EXPECT_FALSE(pane->editorTextView()->spellChecker()->misspelledRanges().isEmpty());
    expectClean(*pane);
    for (const QString& key : { TVXTextEditorViewController::EDITOR_LINE_HEIGHT,
             TVXTextEditorViewController::EDITOR_PARAGRAPH_SPACING, TVXTextEditorViewController::EDITOR_FIRST_LINE_INDENT })
        UserDefaults::standard().removeObject(key);

    // Typing is what makes it edited, and undoing it makes it clean again.
    pane->editorTextView()->setSelectedRange(TextRange(0, 0));
    pane->editorTextView()->insertText(QStringLiteral("x"));
    QApplication::processEvents();
    EXPECT_TRUE(pane->document()->isDocumentEdited());
    EXPECT_TRUE(pane->changedSinceLastTempAutoSave());
    pane->editorTextView()->undo();
    EXPECT_FALSE(pane->document()->isDocumentEdited());
}

TEST_F(EditorPaneTest, TheOverridingThemeAffectsOnePaneOnly)
{
    auto first = makePane(QStringLiteral("text"));
    auto second = makePane(QStringLiteral("text"));
    first->setOverriddenStylePath(writeTheme(QStringLiteral("Sand"), QStringLiteral("E0D0A0")));
    EXPECT_EQ(first->editorTextView()->palette().color(QPalette::Base), QColor(0xE0, 0xD0, 0xA0));
    EXPECT_EQ(second->editorTextView()->palette().color(QPalette::Base), QColor(0xFF, 0xFF, 0xFF));
    first->setOverriddenStylePath(std::nullopt);
    EXPECT_EQ(first->editorTextView()->palette().color(QPalette::Base), QColor(0xFF, 0xFF, 0xFF));
}

TEST_F(EditorPaneTest, WithoutAnyThemeThePaneStaysUnhighlighted)
{
    UserDefaults::standard().removeObject(QStringLiteral("editorThemePreference"));
    auto pane = makePane(QStringLiteral("# Title"));
    pane->setOverriddenStylePath(std::nullopt);
    EXPECT_FALSE(pane->highlighter()->isActive());
}

TEST_F(EditorPaneTest, AnOpenEditorFollowsTheChosenThemeUntilItsDocumentHasItsOwn)
{
    // A document opened before any theme was chosen, as the program makes its editors.
    UserDefaults::standard().removeObject(QStringLiteral("editorThemePreference"));
    TVXTextEditorViewController::installAsEditorFactory();
    TVXDocument document;
    document.setContents(QStringLiteral("# Title\n"));
    auto* pane = dynamic_cast<TVXTextEditorViewController*>(document.editorViewController());
    TVXDocument::setEditorViewControllerFactory({});
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(pane->highlighter()->isActive());
    EXPECT_FALSE(pane->overriddenStylePath().has_value());

    const auto base = [&] { return pane->editorTextView()->palette().color(QPalette::Base); };
    UserDefaults::standard().setValue(QStringLiteral("editorThemePreference"), writeTheme(QStringLiteral("Night"), QStringLiteral("101418")));
    EXPECT_TRUE(waitUntil([&] { return base() == QColor(0x10, 0x14, 0x18); })) << qPrintable(base().name());

    // Once the document has a theme of its own, the preferences no longer restyle it.
    pane->setOverriddenStylePath(theme);
    EXPECT_EQ(base(), QColor(0xFF, 0xFF, 0xFF));
    UserDefaults::standard().setValue(QStringLiteral("editorThemePreference"), writeTheme(QStringLiteral("Dusk"), QStringLiteral("202830")));
    QApplication::processEvents();
    EXPECT_EQ(base(), QColor(0xFF, 0xFF, 0xFF));
}

TEST_F(EditorPaneTest, AThemesMistakesShowAboveTheEditorWithTheirLinesAndTheRestApplies)
{
    const QString broken = temporaryFolder() + QStringLiteral("/Broken.txt");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# a comment\neditor\n    background: 101418\n    foreground: zzzzzz\n\nH1\n    font-style: wobbly\n");
    file.close();
    auto pane = makePane(QStringLiteral("# Title\n"));
    ThemeErrorsBar* bar = pane->themeErrorsBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->isVisible()) << "a sound theme says nothing";

    StdoutCapture out;
    pane->setOverriddenStylePath(broken);
    EXPECT_TRUE(bar->isVisible());
    const QStringList lines = bar->text().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3) << bar->text().toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("Broken"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Line 4: "))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral("zzzzzz"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("Line 7: "))) << lines[2].toStdString();
    EXPECT_TRUE(lines[2].contains(QStringLiteral("wobbly"))) << lines[2].toStdString();
    // The sound part of the theme applies.
    EXPECT_EQ(pane->editorTextView()->palette().color(QPalette::Base), QColor(0x10, 0x14, 0x18));
    // The log names the file; a second application of the same theme neither logs nor reopens
    // a strip the user closed.
    EXPECT_TRUE(out.text().contains(broken + QStringLiteral(": (Line 4)"))) << out.text().toStdString();
    bar->closeButton()->click();
    const QString logged = out.text();
    pane->applyStyles();
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(out.text(), logged);

    // A theme that cannot be read says so; a sound one clears the strip.
    pane->setOverriddenStylePath(temporaryFolder() + QStringLiteral("/Gone.txt"));
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(bar->text().contains(QStringLiteral("Gone"))) << bar->text().toStdString();
    pane->setOverriddenStylePath(theme);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(bar->text().isEmpty());
}

TEST_F(EditorPaneTest, TheMarginsAroundTheTextTakeTheThemesBackground)
{
    UserDefaults::standard().setValue(QStringLiteral("editorThemePreference"), writeTheme(QStringLiteral("Night"), QStringLiteral("101418")));
    auto pane = makePane(QStringLiteral("text"));
    MainTextEditor* editor = pane->editorTextView();
    editor->setMarginSize(QSizeF(60, 40));
    ASSERT_TRUE(waitUntil([&] { return editor->viewport()->geometry().left() >= 60; }));
    const QImage image = editor->grab().toImage();
    const QColor night(0x10, 0x14, 0x18);
    // Inside the left, top, right and bottom margins, clear of the frame.
    for (const QPoint& at : { QPoint(30, image.height() / 2), QPoint(image.width() / 2, 20),
             QPoint(image.width() - 30, image.height() / 2), QPoint(image.width() / 2, image.height() - 20) })
        EXPECT_EQ(image.pixelColor(at).rgb(), night.rgb()) << at.x() << "," << at.y();
    // And the text area itself, for comparison.
    const QPoint inside = editor->viewport()->geometry().center();
    EXPECT_EQ(image.pixelColor(inside.x() + 100, inside.y() + 50).rgb(), night.rgb());
}

TEST_F(EditorPaneTest, DimmingWaitsForAScrollOrASelectionThenKeepsOnlyTheCurrentParagraph)
{
    QString text;
    for (int i = 0; i < 60; ++i)
        text += QStringLiteral("Paragraph %1 with words.\n").arg(i);
    auto pane = makePane(text);
    waitForParse(*pane);
    MainTextEditor* editor = pane->editorTextView();
    const auto foregroundAlpha = [&](int blockNumber) {
        const QTextBlock block = editor->document()->findBlockByNumber(blockNumber);
        const auto formats = block.layout()->formats();
        if (formats.isEmpty())
            return -1.0;
        return double(formats.first().format.foreground().color().alphaF());
    };
    const auto before = editor->document()->findBlockByNumber(2).layout()->formats();
    pane->enterDistractionFreeMode();
    EXPECT_EQ(editor->document()->findBlockByNumber(2).layout()->formats(), before);

    editor->setSelectedRange(TextRange(editor->document()->findBlockByNumber(3).position() + 2, 0));
    EXPECT_NEAR(foregroundAlpha(3), 1.0, 0.01);
    EXPECT_NEAR(foregroundAlpha(2), 0.1, 0.01);
    EXPECT_NEAR(foregroundAlpha(4), 0.1, 0.01);

    editor->verticalScrollBar()->setValue(20);
    const int top = editor->cursorForPosition(QPoint(0, 0)).blockNumber();
    EXPECT_NEAR(foregroundAlpha(top + 1), 0.1, 0.01);
    expectClean(*pane);

    pane->exitDistractionFreeMode();
    EXPECT_FALSE(pane->isInDistractionFreeMode());
    ASSERT_TRUE(waitUntil([&] { return foregroundAlpha(top + 1) > 0.9; }));
}

TEST_F(EditorPaneTest, SpellingSkipsCodeAddressesAndFrontMatterAndCanBeTurnedOff)
{
    auto pane = makePane(QStringLiteral("---\ntitle: qwzx\n---\n\nI saw teh cat and the `teh` code.\n\n    teh block\n\n"
                                        "See <https://teh.example.org/qwzx> now.\n"));
    waitForParse(*pane);
    const QString text = pane->editorTextView()->string();
    const qsizetype word = text.indexOf(QStringLiteral("teh cat"));
    EXPECT_EQ(pane->editorTextView()->spellChecker()->misspelledRanges(), TextRanges({ TextRange(word, 3) }));

    // The suggestion from the context menu replaces the word as one undo step.
    MainTextEditor* editor = pane->editorTextView();
    QTextCursor at(editor->document());
    at.setPosition(int(word + 1));
    std::unique_ptr<QMenu> menu(editor->createContextMenu(editor->cursorRect(at).center(), nullptr));
    QAction* the = nullptr;
    for (QAction* a : menu->actions())
        if (a->text() == QStringLiteral("the"))
            the = a;
    ASSERT_NE(the, nullptr);
    the->trigger();
    QApplication::processEvents();
    EXPECT_EQ(editor->substring(TextRange(word, 7)), QStringLiteral("the cat"));
    EXPECT_EQ(editor->undoManager()->undoCount(), 1);
    EXPECT_EQ(pane->document()->changeCount(), 1);

    editor->setContinuousSpellCheckingEnabled(false);
    editor->undo();
    QApplication::processEvents();
    editor->spellChecker()->checkVisibleText();
    EXPECT_TRUE(editor->spellChecker()->misspelledRanges().isEmpty());
}

TEST_F(EditorPaneTest, SpellingSkipsDestinationsAnchorsAndCodeAlsoInDistractionFreeMode)
{
    const QString text = QStringLiteral(
        "See [the notes](drafts/recieve-notez.md), ![a photo](imgs/photoo.png \"A teh photo\") and "
        "[below](#sectionn-twoo), then #sectionn-twoo and [more](<my qwzx.md>).\n\n"
        "[ref]: notez/qwzx.md\n\n"
        "The `qwzx teh` span and the ``a ` qwzx`` span.\n\n"
        "```\nteh qwzx\n```\n\n"
        "~~~~ text\nteh\n~~~\nqwzx\n~~~~\n\n"
        "End teh.\n");
    TextRanges expected;
    for (const char* word : { "teh photo", "teh.\n" })
        expected.append(TextRange(text.indexOf(QLatin1String(word)), 3));
    for (const bool distractionFree : { false, true }) {
        auto pane = makePane(text);
        waitForParse(*pane);
        if (distractionFree) {
            // The highlighter is off in this mode: its code ranges are gone.
            pane->enterDistractionFreeMode();
            ASSERT_FALSE(pane->highlighter()->cachedElements().has_value());
            pane->editorTextView()->spellChecker()->checkVisibleText();
        }
        EXPECT_EQ(pane->editorTextView()->spellChecker()->misspelledRanges(), expected)
            << (distractionFree ? "distraction-free" : "highlighted");
    }
}

TEST_F(EditorPaneTest, DropsAndTheBasePathComeFromTheDocumentWindow)
{
    auto pane = makePane(QStringLiteral("text"));
    MainTextEditor* editor = pane->editorTextView();
    EXPECT_EQ(editor->basePath(), QString());
    editor->handleDragAndDropFiles({ QStringLiteral("/tmp/a.md") }); // no window: nothing happens

    PenwickWindow window;
    RecordingWindowController controller;
    window.setDocumentWindowController(&controller);
    window.setCentralWidget(pane->view());
    EXPECT_EQ(editor->basePath(), QString());
    controller.baseURL = QUrl::fromLocalFile(QStringLiteral("/tmp/site/"));
    EXPECT_EQ(editor->basePath(), QStringLiteral("/tmp/site/"));
    editor->handleDragAndDropFiles({ QStringLiteral("/tmp/a.md"), QStringLiteral("/tmp/b.md") });
    ASSERT_EQ(controller.opened.size(), 1);
    EXPECT_EQ(controller.opened.first().size(), 2);
    window.takeCentralWidget();
}

TEST_F(EditorPaneTest, SelectAndScrollPutsTheRangeAtTheTopAndSelectsIt)
{
    QString text;
    for (int i = 0; i < 200; ++i)
        text += QStringLiteral("Line %1\n").arg(i);
    auto pane = makePane(text);
    const qsizetype at = text.indexOf(QStringLiteral("Line 120"));
    pane->selectAndScroll(TextRange(at, 8), true);
    MainTextEditor* editor = pane->editorTextView();
    EXPECT_EQ(editor->cursorForPosition(QPoint(5, 2)).blockNumber(), 120);
    EXPECT_EQ(editor->selectedRange(), TextRange(at, 8));
    EXPECT_TRUE(pane->highlighter()->isActive());
}

TEST_F(EditorPaneTest, TheQuickOpenDocumentShowsItsOwnIconAndWillCloseDropsTheHighlighter)
{
    auto pane = makePane(QStringLiteral("text"));
    pane->document()->setIsQuickOpen(true);
    pane->refreshIcon(); // the document reaches only the editor its factory made
    EXPECT_EQ(pane->icon().cacheKey(), TVXEditorViewController::quickOpenIcon().cacheKey());
    pane->willClose();
    EXPECT_EQ(pane->highlighter(), nullptr);
    pane->selectAndScroll(TextRange(0, 1), true); // no highlighter: nothing happens
    EXPECT_EQ(pane->editorTextView()->selectedRange(), TextRange(0, 0));
}

TEST_F(EditorPaneTest, WithAutoHideScrollingTheEditorsScrollerFloatsOverTheTextAndFollowsIt)
{
    QString text;
    for (int i = 0; i < 300; ++i)
        text += QStringLiteral("Line %1 of a long document.\n").arg(i);
    for (const bool on : { false, true }) {
        SCOPED_TRACE(on ? "on" : "off");
        UserDefaults::standard().setValue(OverlayScroller::ENABLE_AUTO_HIDE_SCROLLING, on);
        auto pane = makePane(text);
        MainTextEditor* editor = pane->editorTextView();
        QApplication::processEvents();
        OverlayScroller* scroller = editor->findChild<OverlayScroller*>();
        if (!on) {
            EXPECT_EQ(scroller, nullptr);
            EXPECT_TRUE(editor->verticalScrollBar()->isVisible());
            continue;
        }
        ASSERT_NE(scroller, nullptr);
        EXPECT_TRUE(scroller->isOverlayEnabled());
        EXPECT_FALSE(editor->verticalScrollBar()->isVisible()) << "the platform's bar takes no room";
        EXPECT_EQ(editor->viewport()->width(), editor->contentsRect().width());
        EXPECT_TRUE(scroller->isVisible());
        EXPECT_EQ(scroller->geometry().right(), editor->contentsRect().right());
        EXPECT_EQ(scroller->maximum(), editor->verticalScrollBar()->maximum());
        editor->verticalScrollBar()->setValue(editor->verticalScrollBar()->maximum() / 2);
        EXPECT_EQ(scroller->value(), editor->verticalScrollBar()->value());
        scroller->setValue(10);
        EXPECT_EQ(editor->verticalScrollBar()->value(), 10) << "dragging the knob scrolls the text";
    }
    UserDefaults::standard().removeObject(OverlayScroller::ENABLE_AUTO_HIDE_SCROLLING);
}

} // namespace
} // namespace penwick::test
