#include "platform/text/ContinuousSpellChecker.h"
#include "platform/text/SpellChecker.h"
#include "platform/text/TextView.h"
#include "platform/text/UndoManager.h"

#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QRegion>
#include <QScrollBar>
#include <QTextBlock>

#include <gtest/gtest.h>

#include <ctime>

#include <memory>

namespace penwick::test {
namespace {

using platform::ContinuousSpellChecker;
using platform::SpellChecker;
using platform::TextRange;
using platform::TextRanges;

SpellChecker& english()
{
    static SpellChecker checker(SpellChecker::dictionaryPathFor(QStringLiteral("en_US"),
        SpellChecker::dictionaryDirectories()).value_or(QString()));
    return checker;
}

TEST(SpellChecker, FindsMisspeltWordsAndSuggestsCorrections)
{
    SpellChecker& checker = english();
    ASSERT_TRUE(checker.isAvailable()) << "hunspell-en-us is not installed";
    EXPECT_EQ(checker.language(), QStringLiteral("en_US"));
    EXPECT_FALSE(checker.isCorrect(QStringLiteral("teh")));
    EXPECT_TRUE(checker.isCorrect(QStringLiteral("the")));
    EXPECT_TRUE(checker.isCorrect(QStringLiteral("don't")));
    EXPECT_TRUE(checker.suggestions(QStringLiteral("teh")).contains(QStringLiteral("the")));

    struct Case {
        const char* text;
        TextRanges expected;
    };
    const Case cases[] = {
        { "the cat", {} },
        { "I saw teh cat", { TextRange(6, 3) } },
        { "teh\nqwzx", { TextRange(0, 3), TextRange(4, 4) } },
        { "'teh' and \u2018teh\u2019", { TextRange(1, 3), TextRange(11, 3) } },
        { "x86 tehh2 snake_caes 3.14", {} },
        { "", {} },
    };
    for (const Case& c : cases)
        EXPECT_EQ(checker.misspelledWords(QString::fromUtf8(c.text)), c.expected) << c.text;
    EXPECT_EQ(checker.misspelledWords(QStringLiteral("a teh"), 100), TextRanges({ TextRange(102, 3) }));
}

TEST(SpellChecker, PicksTheUsersLanguageElseAnyOfTheLanguageElseEnglish)
{
    const QString dir = temporaryFolder();
    for (const char* name : { "fr_FR", "en_US" }) {
        for (const char* ext : { ".aff", ".dic" }) {
            QFile file(dir + QLatin1Char('/') + QLatin1String(name) + QLatin1String(ext));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(ext) == ".aff" ? "SET UTF-8\n" : "1\nmot\n");
        }
    }
    struct Case {
        const char* locale;
        const char* expected;
    };
    const Case cases[] = {
        { "fr_FR", "fr_FR" }, { "fr_CA", "fr_FR" }, { "de_DE", "en_US" }, { "C", "en_US" }, { "", "en_US" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SpellChecker::dictionaryPathFor(QLatin1String(c.locale), { dir }),
            dir + QLatin1Char('/') + QLatin1String(c.expected))
            << c.locale;
    }
    EXPECT_EQ(SpellChecker::dictionaryPathFor(QStringLiteral("fr_FR"), { dir + QStringLiteral("/missing") }), std::nullopt);

    SpellChecker french(dir + QStringLiteral("/fr_FR"));
    EXPECT_TRUE(french.isAvailable());
    EXPECT_TRUE(french.isCorrect(QStringLiteral("mot")));
    EXPECT_FALSE(french.isCorrect(QStringLiteral("word")));

    SpellChecker none(dir + QStringLiteral("/missing"));
    EXPECT_FALSE(none.isAvailable());
    EXPECT_TRUE(none.isCorrect(QStringLiteral("qwzx")));
    EXPECT_TRUE(none.misspelledWords(QStringLiteral("qwzx")).isEmpty());
}

bool isMarkRed(QRgb p) { return qRed(p) > 180 && qGreen(p) < 110 && qBlue(p) < 110; }

// Pixels of the red wave in a rendering of the view.
int redPixels(QWidget* view)
{
    const QImage image = view->grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += isMarkRed(image.pixel(x, y));
    return count;
}

class ContinuousSpellingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view = std::make_unique<platform::TextView>();
        view->resize(500, 300);
        view->show();
        spelling = new ContinuousSpellChecker(view.get(), &english());
    }

    void setText(const QString& text)
    {
        view->setString(text);
        spelling->checkVisibleText();
    }

    QPoint pointOf(qsizetype position)
    {
        QTextCursor cursor(view->document());
        cursor.setPosition(int(position));
        return view->cursorRect(cursor).center() + QPoint(2, 0);
    }

    std::unique_ptr<platform::TextView> view;
    ContinuousSpellChecker* spelling = nullptr;
};

TEST_F(ContinuousSpellingTest, UnderlinesMisspeltWordsOnlyWhileOn)
{
    setText(QStringLiteral("I saw teh cat"));
    EXPECT_TRUE(spelling->misspelledRanges().isEmpty());
    EXPECT_EQ(redPixels(view.get()), 0);

    spelling->setEnabled(true);
    spelling->checkVisibleText();
    EXPECT_EQ(spelling->misspelledRanges(), TextRanges({ TextRange(6, 3) }));
    EXPECT_GT(redPixels(view.get()), 3);

    spelling->setEnabled(false);
    EXPECT_TRUE(spelling->misspelledRanges().isEmpty());
    EXPECT_EQ(redPixels(view.get()), 0);
}

TEST_F(ContinuousSpellingTest, ChecksAgainAfterEditsAndMarksFollowTheText)
{
    spelling->setEnabled(true);
    setText(QStringLiteral("I saw teh cat"));
    view->setSelectedRange(TextRange(0, 0));
    view->insertText(QStringLiteral("Yes, "));
    // Before the next check the mark has moved with the text ...
    EXPECT_EQ(spelling->misspelledRanges(), TextRanges({ TextRange(11, 3) }));
    // ... and the check follows once the event loop runs.
    view->setSelectedRange(TextRange(view->textLength(), 0));
    view->insertText(QStringLiteral(" adn"));
    ASSERT_TRUE(waitUntil([&] { return spelling->misspelledRanges().size() == 2; }));
    EXPECT_EQ(spelling->misspelledRanges().last(), TextRange(19, 3));
}

TEST_F(ContinuousSpellingTest, AddressesAndSkippedRangesAreLeftAlone)
{
    spelling->setEnabled(true);
    spelling->setSkipRanges([](TextRange) { return TextRanges({ TextRange(0, 9) }); });
    // A long run without spaces (a hash, base64, a minified script) holds no words.
    const QString text = QStringLiteral("`qwzx teh` see https://exampel.org/teh or www.qwzx.com and mial@exampel.org; ")
        + QStringLiteral("teh/").repeated(30) + QStringLiteral(" teh");
    setText(text);
    EXPECT_EQ(spelling->misspelledRanges(), TextRanges({ TextRange(text.lastIndexOf(QStringLiteral("teh")), 3) }));
}

TEST_F(ContinuousSpellingTest, MarksAddNoUndoStepAndNoChange)
{
    spelling->setEnabled(true);
    setText(QStringLiteral("teh qwzx"));
    int changes = 0;
    QObject::connect(view.get(), &platform::TextView::textDidChange, [&] { ++changes; });
    const int undoCount = view->undoManager()->undoCount();
    spelling->checkVisibleText();
    view->repaint();
    EXPECT_EQ(view->undoManager()->undoCount(), undoCount);
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(view->undoManager()->canUndo());
    for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next())
        EXPECT_TRUE(b.layout()->formats().isEmpty());
}

TEST_F(ContinuousSpellingTest, ASuggestionFromTheMenuReplacesTheWordAsOneUndoStep)
{
    spelling->setEnabled(true);
    setText(QStringLiteral("I saw teh cat"));
    view->setSelectedRange(TextRange(13, 0));
    view->insertText(QStringLiteral("s"));
    QApplication::processEvents(); // the typing's undo group closes with its event
    spelling->checkVisibleText();
    const int stepsBefore = view->undoManager()->undoCount();

    QMenu menu;
    menu.addAction(QStringLiteral("Cut"));
    const int added = spelling->addSuggestions(&menu, pointOf(7));
    ASSERT_GT(added, 0);
    QAction* the = nullptr;
    for (QAction* a : menu.actions())
        if (a->text() == QStringLiteral("the"))
            the = a;
    ASSERT_NE(the, nullptr);
    EXPECT_EQ(menu.actions().last()->text(), QStringLiteral("Cut"));
    the->trigger();
    QApplication::processEvents();
    EXPECT_EQ(view->string(), QStringLiteral("I saw the cats"));
    EXPECT_TRUE(spelling->misspelledRanges().isEmpty());
    EXPECT_EQ(view->undoManager()->undoCount(), stepsBefore + 1);
    view->undo();
    EXPECT_EQ(view->string(), QStringLiteral("I saw teh cats"));

    // Nothing is offered away from a misspelt word.
    QMenu plain;
    EXPECT_EQ(spelling->addSuggestions(&plain, pointOf(1)), 0);
    EXPECT_TRUE(plain.actions().isEmpty());
}

// An image pasted as a data URI: two megabytes of base64 on one line, then prose.
QString dataUriText()
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    QString data;
    data.reserve(2 * 1024 * 1024);
    quint32 state = 7;
    while (data.size() < 2 * 1024 * 1024) {
        state = state * 1664525u + 1013904223u;
        data += QLatin1Char(alphabet[(state >> 24) % 64]);
    }
    return QStringLiteral("![shot](data:image/png;base64,") + data + QStringLiteral(")\n\nA wrod after it.\n");
}

TEST_F(ContinuousSpellingTest, ALineOfMegabytesCostsWhatIsOnScreenAndTheWordAfterItIsMarked)
{
    spelling->setEnabled(true);
    const QString text = dataUriText();
    // Processor time of this thread: what the work costs, whatever else the machine runs.
    const auto threadMilliseconds = [] {
        timespec now {};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    };
    const qint64 start = threadMilliseconds();
    view->setString(text);
    QApplication::processEvents();
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum()); // to the end
    QApplication::processEvents();
    spelling->checkVisibleText();
    const int marked = redPixels(view.get()); // paints the view and its marks
    // Checking and painting the whole line costs minutes: each of its thousands of marks
    // would walk the paragraph's lines.
    EXPECT_LT(threadMilliseconds() - start, 25000);
    EXPECT_EQ(spelling->misspelledRanges(), TextRanges({ TextRange(text.indexOf(QStringLiteral("wrod")), 4) }));
    EXPECT_GT(marked, 3);

    // In the middle of the line nothing is a word.
    view->setSelectedRange(TextRange(text.size() / 2, 0));
    view->ensureCursorVisible();
    QApplication::processEvents();
    spelling->checkVisibleText();
    EXPECT_TRUE(spelling->misspelledRanges().isEmpty());
    EXPECT_EQ(redPixels(view.get()), 0);
}

TEST_F(ContinuousSpellingTest, MarksFollowTheirWordsOnWrappedLines)
{
    spelling->setEnabled(true);
    // Short words wrap the paragraph over many lines; each misspelt word is found where it
    // stands, on whichever line it fell.
    QString text;
    for (int i = 0; i < 60; ++i)
        text += i % 7 == 3 ? QStringLiteral("teh ") : QStringLiteral("the cat ");
    setText(text);
    ASSERT_GT(view->document()->firstBlock().layout()->lineCount(), 3);
    TextRanges expected;
    for (qsizetype at = text.indexOf(QStringLiteral("teh")); at >= 0; at = text.indexOf(QStringLiteral("teh"), at + 1))
        expected.append(TextRange(at, 3));
    EXPECT_EQ(spelling->misspelledRanges(), expected);
    // Each mark lies under its word, and nothing red lies anywhere else.
    const QImage image = view->grab().toImage();
    QRegion under;
    for (const TextRange& r : expected) {
        QTextCursor from(view->document());
        from.setPosition(int(r.location));
        QTextCursor to(view->document());
        to.setPosition(int(r.end()));
        const QPoint offset = view->viewport()->mapTo(view.get(), QPoint(0, 0));
        const QRect a = view->cursorRect(from).translated(offset);
        const QRect b = view->cursorRect(to).translated(offset);
        ASSERT_EQ(a.top(), b.top());
        const QRect band(QPoint(a.left() - 1, a.bottom() - 4), QPoint(b.left() + 2, a.bottom() + 2));
        int red = 0;
        for (int y = band.top(); y <= band.bottom(); ++y)
            for (int x = band.left(); x <= band.right(); ++x)
                red += isMarkRed(image.pixel(x, y));
        EXPECT_GT(red, r.length) << r.location;
        under += band;
    }
    int stray = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            stray += isMarkRed(image.pixel(x, y)) && !under.contains(QPoint(x, y));
    EXPECT_EQ(stray, 0);
}

} // namespace
} // namespace penwick::test
