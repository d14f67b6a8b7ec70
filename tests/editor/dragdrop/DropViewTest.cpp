// Drops onto a real editor view: drag events with real mime data, then Tab, undo and the
// selections, as a user meets them.
#include "../support/EditorKeys.h"

#include "TestSupport.h"
#include "TextEditor/AutoInsertCommand.h"
#include "TextEditor/TextEditorView.h"
#include "platform/text/UndoManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

using namespace penwick;
using platform::TextRange;
using platform::TextRanges;

namespace {

// The main program's editor answers its document's folder and opens other dropped files.
class HostEditor : public TextEditorView {
public:
    QString base;
    QList<QStringList> opened;

    QString basePath() const override { return base; }
    void handleDragAndDropFiles(const QStringList& paths) override { opened << paths; }
};

// Refuses every change that touches `locked`.
class PartlyLockedEditor : public TextEditorView {
public:
    TextRange locked;

    bool shouldChangeTextInRange(TextRange range, const std::optional<QString>& replacement) override
    {
        if (range.location < locked.end() && locked.location < range.end())
            return false;
        return TextEditorView::shouldChangeTextInRange(range, replacement);
    }
};

struct DragResult {
    bool entered = false;
    bool moved = false;
    bool dropped = false;
};

// A drag that enters the view, moves over it and is released at `where`, far from any
// selection unless a test says otherwise.
DragResult drag(TextEditorView& view, const QMimeData& data, Qt::DropActions actions = Qt::CopyAction,
                QPoint where = QPoint(2, 2))
{
    DragResult result;
    QDragEnterEvent enter(where, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &enter);
    result.entered = enter.isAccepted() && enter.dropAction() == Qt::CopyAction;
    QDragMoveEvent move(where, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &move);
    result.moved = move.isAccepted() && move.dropAction() == Qt::CopyAction;
    if (!result.entered)
        return result;
    QDropEvent drop(QPointF(where), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &drop);
    result.dropped = drop.isAccepted();
    // Leaving the event ends its undo group, as it does for a real drop.
    QCoreApplication::processEvents();
    return result;
}

std::unique_ptr<QMimeData> files(const QStringList& paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

std::unique_ptr<QMimeData> link(const QString& url)
{
    auto data = std::make_unique<QMimeData>();
    data->setUrls({ QUrl(url) });
    data->setText(url);
    return data;
}

QString image(const QString& folder, const QString& name)
{
    QDir().mkpath(folder);
    QImage picture(3, 3, QImage::Format_ARGB32);
    picture.fill(Qt::blue);
    const QString path = folder + QLatin1Char('/') + name;
    EXPECT_TRUE(picture.save(path, "PNG"));
    return path;
}

QString textFile(const QString& folder, const QString& name)
{
    const QString path = folder + QLatin1Char('/') + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# notes\n");
    return path;
}

void prepare(TextEditorView& view, const QString& text, const TextRanges& selections)
{
    view.awakeFromNib();
    view.setString(text);
    view.setSelectedRanges(selections);
}

const LinkDragAndDropInsertCommand* pendingJump(const TextEditorView& view)
{
    return dynamic_cast<const LinkDragAndDropInsertCommand*>(view.nextAutoInsertCommand().get());
}

TEST(ImageDrop, SelectionBecomesAltTextWithPathRelativeToBase)
{
    const QString notes = test::temporaryFolder() + "/notes";
    const QString cat = image(notes + "/img", "cat.png");
    HostEditor view;
    view.base = notes;
    prepare(view, "the cat sat", { TextRange(4, 3) });

    const auto data = files({ cat });
    const DragResult result = drag(view, *data);
    EXPECT_TRUE(result.entered);
    EXPECT_TRUE(result.dropped);
    EXPECT_EQ(view.string(), "the ![cat](img/cat.png) sat");
    EXPECT_EQ(view.selectedRanges(), TextRanges { TextRange(6, 3) });
    ASSERT_NE(pendingJump(view), nullptr);
    EXPECT_EQ(pendingJump(view)->location(), 6);
    EXPECT_EQ(pendingJump(view)->suffixLength(), 17);
    EXPECT_EQ(view.undoManager()->undoActionName(), "Drag and Drop Image");
    EXPECT_FALSE(view.isAutomaticLinkDetectionEnabled());
    EXPECT_TRUE(view.opened.isEmpty());

    // Tab with the alt text still selected jumps behind the closing parenthesis.
    test::typeKeys(&view, "\t");
    EXPECT_EQ(view.selectedRanges(), TextRanges { TextRange(23, 0) });
    EXPECT_EQ(view.string(), "the ![cat](img/cat.png) sat");
}

TEST(ImageDrop, EmptySelectionUnderBaseClassWritesAbsolutePath)
{
    const QString folder = test::temporaryFolder();
    const QString picture = image(folder, "x.png");
    TextEditorView view;
    prepare(view, "ab", { TextRange(1, 0) });

    const auto data = files({ picture });
    EXPECT_TRUE(drag(view, *data).dropped);
    const QString markdown = "![](" + picture + ")";
    EXPECT_EQ(view.string(), "a" + markdown + "b");
    EXPECT_EQ(view.selectedRanges(), TextRanges { TextRange(3, 0) });

    test::typeKeys(&view, "\t");
    EXPECT_EQ(view.selectedRanges(), TextRanges { TextRange(1 + markdown.size(), 0) });
}

TEST(ImageDrop, SeveralImagesInARowAndOtherFilesToTheHook)
{
    const QString folder = test::temporaryFolder() + "/doc";
    const QString first = image(folder, "a (1).png");
    const QString notes = textFile(folder, "notes.md");
    const QString second = image(folder + "/my pics", "b.png");
    HostEditor view;
    view.base = folder;
    prepare(view, "x dog y", { TextRange(2, 3) });

    const auto data = files({ first, notes, second });
    EXPECT_TRUE(drag(view, *data).dropped);
    EXPECT_EQ(view.string(), "x ![dog](a (1).png)![dog](my pics/b.png) y");
    EXPECT_EQ(view.selectedRanges(), TextRanges { TextRange(4, 3) });
    EXPECT_EQ(view.opened, QList<QStringList> { QStringList { notes } });

    test::typeKeys(&view, "\t");
    EXPECT_EQ(view.selectedRanges(), TextRanges { TextRange(2 + QString("![dog](a (1).png)").size(), 0) });
}

TEST(ImageDrop, OtherFilesAloneAreIgnoredByBaseClassButTaken)
{
    const QString folder = test::temporaryFolder();
    const QString notes = textFile(folder, "notes.md");
    TextEditorView view;
    prepare(view, "abc", { TextRange(1, 1) });
    const auto data = files({ notes });
    EXPECT_TRUE(drag(view, *data).dropped);
    EXPECT_EQ(view.string(), "abc");
    EXPECT_EQ(view.nextAutoInsertCommand(), nullptr);
}

TEST(ImageDrop, ImageInItsOwnFolderIsBareFileName)
{
    const QString folder = test::temporaryFolder();
    const QString picture = image(folder, "p.png");
    HostEditor view;
    view.base = folder;
    prepare(view, "", { TextRange(0, 0) });
    const auto data = files({ picture });
    drag(view, *data);
    EXPECT_EQ(view.string(), "![](p.png)");
}

TEST(ImageDrop, UndoRestoresTextAndSelectionAndForgetsJump)
{
    const QString folder = test::temporaryFolder();
    const QString picture = image(folder, "cat.png");
    HostEditor view;
    view.base = folder;
    prepare(view, "a cat and a dog", { TextRange(2, 3), TextRange(12, 3) });

    const auto data = files({ picture });
    drag(view, *data);
    EXPECT_EQ(view.string(), "a ![cat](cat.png) and a dog");
    ASSERT_NE(view.nextAutoInsertCommand(), nullptr);

    test::undoKey(&view);
    EXPECT_EQ(view.string(), "a cat and a dog");
    EXPECT_EQ(view.selectedRanges(), (TextRanges { TextRange(2, 3), TextRange(12, 3) }));
    EXPECT_EQ(view.nextAutoInsertCommand(), nullptr);
}

TEST(ImageDrop, DropFarFromSelectionInsertsAtSelection)
{
    const QString folder = test::temporaryFolder();
    const QString picture = image(folder, "z.png");
    HostEditor view;
    view.base = folder;
    QString text;
    for (int i = 0; i < 40; ++i)
        text += "line\n";
    prepare(view, text + "end", { TextRange(text.size() + 3, 0) });
    const auto data = files({ picture });
    drag(view, *data, Qt::CopyAction, QPoint(1, 1));
    EXPECT_EQ(view.string(), text + "end![](z.png)");
}

TEST(LinkDrop, OneSelectionWorkedExample)
{
    TextEditorView view;
    prepare(view, "read docs now", { TextRange(5, 4) });
    const auto data = link("http://a.b");
    const DragResult result = drag(view, *data);
    EXPECT_TRUE(result.entered);
    EXPECT_TRUE(result.dropped);
    EXPECT_EQ(view.string(), "read [docs](http://a.b) now");
    EXPECT_EQ(view.selectedRanges(), TextRanges { TextRange(6, 4) });
    ASSERT_NE(pendingJump(view), nullptr);
    EXPECT_EQ(pendingJump(view)->location(), 6);
    EXPECT_EQ(pendingJump(view)->suffixLength(), 17);
    EXPECT_EQ(view.undoManager()->undoActionName(), "Drag and Drop Link");
    EXPECT_FALSE(view.isAutomaticLinkDetectionEnabled());

    test::typeKeys(&view, "\t");
    EXPECT_EQ(view.selectedRanges(), TextRanges { TextRange(23, 0) });
}

TEST(LinkDrop, TypingInsideTheBracketsThenTabJumpsBehindTheLink)
{
    TextEditorView view;
    prepare(view, "ab", { TextRange(1, 0) });
    const auto data = link("u:v");
    drag(view, *data);
    ASSERT_EQ(view.string(), "a[](u:v)b");
    ASSERT_EQ(view.selectedRanges(), TextRanges { TextRange(2, 0) });
    test::typeKeys(&view, "xy");
    EXPECT_EQ(view.string(), "a[xy](u:v)b");
    test::typeKeys(&view, "\t");
    EXPECT_EQ(view.selectedRanges(), TextRanges { TextRange(10, 0) });
    EXPECT_EQ(view.string(), "a[xy](u:v)b");
}

TEST(LinkDrop, TwoSelectionsSameUrlJumpFromFirst)
{
    TextEditorView view;
    prepare(view, "a b", { TextRange(0, 1), TextRange(2, 1) });
    const auto data = link("http://a.b");
    drag(view, *data);
    EXPECT_EQ(view.string(), "[a](http://a.b) [b](http://a.b)");
    EXPECT_EQ(view.selectedRanges(), (TextRanges { TextRange(1, 1), TextRange(17, 1) }));
    ASSERT_NE(pendingJump(view), nullptr);
    EXPECT_EQ(pendingJump(view)->location(), 1);
    EXPECT_EQ(pendingJump(view)->suffixLength(), 1 + 13);
}

TEST(LinkDrop, ThreeSelectionsSelectTheirLinkTexts)
{
    TextEditorView view;
    prepare(view, "one two three", { TextRange(0, 3), TextRange(4, 3), TextRange(8, 5) });
    const auto data = link("https://x.org/p");
    drag(view, *data);
    EXPECT_EQ(view.string(), "[one](https://x.org/p) [two](https://x.org/p) [three](https://x.org/p)");
    QStringList selected;
    for (const TextRange& range : view.selectedRanges())
        selected << view.substring(range);
    EXPECT_EQ(selected, (QStringList { "one", "two", "three" }));
}

TEST(LinkDrop, UndoRestoresTextAndSelectionsAndTabNoLongerJumps)
{
    TextEditorView view;
    prepare(view, "read docs now", { TextRange(5, 4) });
    test::typeKeys(&view, "x"); // typing before the drop stays its own undo step
    ASSERT_EQ(view.string(), "read x now");
    view.setSelectedRange(TextRange(5, 1));

    const auto data = link("http://a.b");
    drag(view, *data);
    ASSERT_EQ(view.string(), "read [x](http://a.b) now");

    test::undoKey(&view);
    EXPECT_EQ(view.string(), "read x now");
    EXPECT_EQ(view.selectedRanges(), TextRanges { TextRange(5, 1) });
    EXPECT_EQ(view.nextAutoInsertCommand(), nullptr);

    view.setSelectedRange(TextRange(6, 0));
    test::typeKeys(&view, "\t");
    EXPECT_NE(view.selectedRanges(), TextRanges { TextRange(6 + 14, 0) });
    EXPECT_TRUE(view.string().startsWith("read x ")); // white space went in instead of a jump
    EXPECT_GT(view.string().size(), QString("read x now").size());

    test::undoKey(&view);
    test::undoKey(&view);
    EXPECT_EQ(view.string(), "read docs now");
}

// The selections after a link drop follow the links actually made: a selection the view
// refuses to change keeps its text, and those behind it are not moved as if it had a link.
TEST(LinkDrop, SelectionsFollowLinksActuallyMade)
{
    PartlyLockedEditor view;
    view.locked = TextRange(4, 3);
    prepare(view, "one two three", { TextRange(0, 3), TextRange(4, 3), TextRange(8, 5) });
    const auto data = link("u:v");
    EXPECT_TRUE(drag(view, *data).dropped);
    EXPECT_EQ(view.string(), "[one](u:v) two [three](u:v)");
    QStringList selected;
    for (const TextRange& range : view.selectedRanges())
        selected << view.substring(range);
    EXPECT_EQ(selected, (QStringList { "one", "two", "three" }));
    ASSERT_NE(pendingJump(view), nullptr);
    EXPECT_EQ(pendingJump(view)->location(), 1);
}

TEST(LinkDrop, SelectionSplittingACharacterGetsNoLink)
{
    TextEditorView view;
    const QString text = QStringLiteral("a \U0001F600b c");
    prepare(view, text, { TextRange(0, 1), TextRange(3, 2), TextRange(6, 1) });
    const auto data = link("u:v");
    drag(view, *data);
    EXPECT_EQ(view.string(), QStringLiteral("[a](u:v) \U0001F600b [c](u:v)"));
    const TextRanges after = view.selectedRanges();
    ASSERT_EQ(after.size(), 3);
    EXPECT_EQ(view.substring(after[0]), "a");
    EXPECT_EQ(view.substring(after[2]), "c");
}

TEST(LinkDrop, NoLinkMadeLeavesNoJump)
{
    TextEditorView view;
    prepare(view, "abc", { TextRange(0, 3) });
    view.setReadOnly(true);
    const auto data = link("http://a.b");
    EXPECT_TRUE(drag(view, *data).dropped);
    EXPECT_EQ(view.string(), "abc");
    EXPECT_EQ(view.selectedRanges(), TextRanges { TextRange(0, 3) });
    EXPECT_EQ(view.nextAutoInsertCommand(), nullptr);
}

TEST(LinkDrop, EmptyUrlEntriesInsertNothingButAreTaken)
{
    TextEditorView view;
    prepare(view, "abc", { TextRange(1, 1) });
    QMimeData data;
    data.setData("text/uri-list", "# nothing here\r\n");
    EXPECT_TRUE(drag(view, data).dropped);
    EXPECT_EQ(view.string(), "abc");
    EXPECT_EQ(view.nextAutoInsertCommand(), nullptr);
}

TEST(StringDrop, ReplacesEverySelectionAndNamesNoAction)
{
    TextEditorView view;
    prepare(view, "ab cd ef", { TextRange(0, 2), TextRange(6, 2) });
    QMimeData data;
    data.setText("XY");
    data.setHtml("<b>XY</b>");
    EXPECT_TRUE(drag(view, data).dropped);
    EXPECT_EQ(view.string(), "XY cd XY");
    EXPECT_EQ(view.undoManager()->undoActionName(), "");
    EXPECT_EQ(view.nextAutoInsertCommand(), nullptr);
    test::undoKey(&view);
    EXPECT_EQ(view.string(), "ab cd ef");
}

TEST(Refused, RichTextOnlyIsAcceptedWhileMovingButRefusedAtDrop)
{
    TextEditorView view;
    prepare(view, "abc", { TextRange(1, 1) });
    QMimeData data;
    data.setHtml("<i>rich</i>");
    const DragResult result = drag(view, data);
    EXPECT_TRUE(result.entered);
    EXPECT_TRUE(result.moved);
    EXPECT_FALSE(result.dropped);
    EXPECT_EQ(view.string(), "abc");
}

TEST(Refused, DragThatDoesNotAllowCopying)
{
    TextEditorView view;
    prepare(view, "abc", { TextRange(1, 1) });
    const auto data = link("http://a.b");
    const DragResult result = drag(view, *data, Qt::MoveAction | Qt::LinkAction);
    EXPECT_FALSE(result.entered);
    EXPECT_FALSE(result.moved);
    EXPECT_FALSE(result.dropped);
    EXPECT_EQ(view.string(), "abc");
    EXPECT_EQ(view.draggingEntered(data.get(), Qt::MoveAction), Qt::IgnoreAction);
    EXPECT_EQ(view.draggingUpdated(data.get(), Qt::CopyAction | Qt::MoveAction), Qt::CopyAction);
}

TEST(Registration, ViewTakesTheFourKindsOfDrag)
{
    TextEditorView view;
    view.awakeFromNib();
    EXPECT_EQ(view.registeredDraggedTypes(), view.acceptableDragTypes());
    EXPECT_TRUE(view.acceptDrops());
    QMimeData other;
    other.setData("application/x-other", "1");
    EXPECT_EQ(view.draggingEntered(&other, Qt::CopyAction), Qt::IgnoreAction);
}

} // namespace
