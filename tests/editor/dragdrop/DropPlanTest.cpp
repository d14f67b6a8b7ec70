// What a drop means, worked out without a view: the kind of drop a drag
// carries, which files are images, relative image paths, and the text and
// selections that image and link drops produce.
#include "TextEditor/DragAndDrop.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

using namespace penwick::dragdrop;

namespace {

std::unique_ptr<QMimeData> mime(const QList<QUrl>& urls, const QString& text = {}, const QString& html = {})
{
    auto data = std::make_unique<QMimeData>();
    if (!urls.isEmpty())
        data->setUrls(urls);
    if (!text.isNull())
        data->setText(text);
    if (!html.isNull())
        data->setHtml(html);
    return data;
}

QString writePng(const QString& folder, const QString& name)
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString path = folder + QLatin1Char('/') + name;
    EXPECT_TRUE(image.save(path, "PNG"));
    return path;
}

QString writeText(const QString& folder, const QString& name, const QByteArray& bytes = "just words\n")
{
    const QString path = folder + QLatin1Char('/') + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

TEST(DropClassification, LocalFilesAreFileDrops)
{
    const auto data = mime({ QUrl::fromLocalFile("/tmp/a b.png"), QUrl::fromLocalFile("/tmp/notes.md") });
    const DropContent content = classify(data.get());
    EXPECT_EQ(content.kind, DropKind::Files);
    EXPECT_EQ(content.items, (QStringList { "/tmp/a b.png", "/tmp/notes.md" }));
}

TEST(DropClassification, OtherUrlsAreLinkDrops)
{
    const auto data = mime({ QUrl("https://example.org/a b?q=1"), QUrl("mailto:x@y.z") }, "dragged title");
    const DropContent content = classify(data.get());
    EXPECT_EQ(content.kind, DropKind::Links);
    EXPECT_EQ(content.items, (QStringList { "https://example.org/a%20b?q=1", "mailto:x@y.z" }));
}

TEST(DropClassification, UriListCommentsAreNoLinks)
{
    QMimeData data;
    data.setData("text/uri-list", "# from a browser\r\nhttps://a.b/c\r\n\r\n#x\r\nfile:///tmp/n.md\r\n");
    DropContent content = classify(&data);
    EXPECT_EQ(content.kind, DropKind::Files);
    EXPECT_EQ(content.items, QStringList { "/tmp/n.md" });

    data.setData("text/uri-list", "# only a comment\r\n");
    content = classify(&data);
    EXPECT_EQ(content.kind, DropKind::Links);
    EXPECT_TRUE(content.items.isEmpty());
}

TEST(DropClassification, FilesWinOverLinksInOneDrag)
{
    const auto data = mime({ QUrl("https://example.org/"), QUrl::fromLocalFile("/tmp/x.png") });
    const DropContent content = classify(data.get());
    EXPECT_EQ(content.kind, DropKind::Files);
    EXPECT_EQ(content.items, QStringList { "/tmp/x.png" });
}

TEST(DropClassification, PlainTextIsStringDrop)
{
    const auto data = mime({}, "some *text*", "<b>some</b> text");
    const DropContent content = classify(data.get());
    EXPECT_EQ(content.kind, DropKind::String);
    EXPECT_EQ(content.string, "some *text*");
}

TEST(DropClassification, RichTextAloneIsAcceptedWhileMovingButRefusedAtDrop)
{
    const auto html = mime({}, {}, "<b>bold</b>");
    EXPECT_TRUE(offersAcceptableType(html.get()));
    EXPECT_EQ(classify(html.get()).kind, DropKind::None);

    QMimeData rtf;
    rtf.setData("text/rtf", "{\\rtf1 bold}");
    EXPECT_TRUE(offersAcceptableType(&rtf));
    EXPECT_EQ(classify(&rtf).kind, DropKind::None);
}

TEST(DropClassification, UnknownTypesAreNotAcceptable)
{
    QMimeData data;
    data.setData("application/x-something", "123");
    EXPECT_FALSE(offersAcceptableType(&data));
    EXPECT_EQ(classify(&data).kind, DropKind::None);
    EXPECT_FALSE(offersAcceptableType(nullptr));
    EXPECT_EQ(classify(nullptr).kind, DropKind::None);
}

TEST(DropClassification, OnlyCopyingDragsAreTaken)
{
    EXPECT_TRUE(allowsCopy(Qt::CopyAction));
    EXPECT_TRUE(allowsCopy(Qt::CopyAction | Qt::MoveAction));
    EXPECT_FALSE(allowsCopy(Qt::MoveAction));
    EXPECT_FALSE(allowsCopy(Qt::LinkAction | Qt::MoveAction));
    EXPECT_FALSE(allowsCopy(Qt::IgnoreAction));
}

TEST(DroppedFiles, ImagesAreWhatAnImageReaderReads)
{
    const QString folder = penwick::test::temporaryFolder();
    const QString png = writePng(folder, "cat.png");
    const QString renamed = writePng(folder, "picture.data");
    const QString text = writeText(folder, "notes.md");
    const QString fakePng = writeText(folder, "fake.png");
    QDir(folder).mkdir("folder.png");

    EXPECT_TRUE(isImageFile(png));
    EXPECT_TRUE(isImageFile(renamed));
    EXPECT_FALSE(isImageFile(text));
    EXPECT_FALSE(isImageFile(fakePng));
    EXPECT_FALSE(isImageFile(folder + "/folder.png"));
    EXPECT_FALSE(isImageFile(folder + "/missing.png"));

    const SortedFiles sorted = sortDroppedFiles({ text, png, fakePng, renamed });
    EXPECT_EQ(sorted.images, (QStringList { png, renamed }));
    EXPECT_EQ(sorted.others, (QStringList { text, fakePng }));
}

TEST(RelativePaths, Table)
{
    struct Case {
        QString path;
        QString base;
        QString expected;
    };
    const std::vector<Case> cases = {
        { "/home/u/notes/img/x.png", "/home/u/notes", "img/x.png" },
        { "/home/u/notes/img/x.png", "/home/u/docs", "../notes/img/x.png" },
        { "/home/u/notes/img/x.png", "/home/u/notes/", "../img/x.png" },
        { "/home/u/notes/x.png", "/home/u/notes/x.png", "" },
        { "/home/u/notes/x.png", "", "/home/u/notes/x.png" },
        { "/home/U/x", "/home/u", "../U/x" },
        { "/home/u/notes/cat.png", "/home/u/notes", "cat.png" },
        { "/a/b/c.png", "/x/y", "../../a/b/c.png" },
        { "/home/u//notes/img (1)/a b.png", "/home/u/notes", "img (1)/a b.png" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(relativePath(c.path, c.base), c.expected) << c.path.toStdString() << " from " << c.base.toStdString();
}

TEST(ReadableRanges, EndsMustFallBetweenCharacters)
{
    const QString text = QStringLiteral("a\U0001F600e\u0301z");
    // a | U+1F600 (two units) | e | combining acute | z
    EXPECT_TRUE(isReadableRange(text, { 0, 1 }));
    EXPECT_TRUE(isReadableRange(text, { 1, 2 }));
    EXPECT_FALSE(isReadableRange(text, { 1, 1 }));
    EXPECT_FALSE(isReadableRange(text, { 2, 2 }));
    EXPECT_FALSE(isReadableRange(text, { 3, 1 })); // the letter without its mark
    EXPECT_TRUE(isReadableRange(text, { 3, 2 }));
    EXPECT_TRUE(isReadableRange(text, { 6, 0 }));
    EXPECT_FALSE(isReadableRange(text, { 5, 3 }));
    EXPECT_FALSE(isReadableRange(text, { -1, 1 }));
}

TEST(ImageDrop, WorkedExampleWithSelectedWord)
{
    const QString text = "the cat sat";
    const auto plan = planImageDrop(text, { 4, 3 }, { "img/cat.png" });
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->replaced, (Range { 4, 3 }));
    EXPECT_EQ(plan->text, "![cat](img/cat.png)");
    EXPECT_EQ(plan->text.size(), 19);
    EXPECT_EQ(plan->selection, (Range { 6, 3 }));
    EXPECT_EQ(plan->jump, (PendingJump { 6, 17 }));
    EXPECT_EQ(plan->jump.location + plan->jump.suffixLength, 23);
}

TEST(ImageDrop, EmptySelectionUnderEmptyBase)
{
    const auto plan = planImageDrop("ab", { 1, 0 }, { relativePath("/a/x.png", "") });
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->text, "![](/a/x.png)");
    EXPECT_EQ(plan->selection, (Range { 3, 0 }));
    EXPECT_EQ(plan->jump.location + plan->jump.suffixLength, 1 + 13);
}

TEST(ImageDrop, SeveralImagesInARowJumpPastTheFirst)
{
    const auto plan = planImageDrop("x dog", { 2, 3 }, { "a (1).png", "b c.gif", "d.jpg" });
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->text, "![dog](a (1).png)![dog](b c.gif)![dog](d.jpg)");
    EXPECT_EQ(plan->selection, (Range { 4, 3 }));
    EXPECT_EQ(plan->jump.location + plan->jump.suffixLength, 2 + QString("![dog](a (1).png)").size());
}

TEST(ImageDrop, NothingForUnreadableSelectionOrNoImage)
{
    EXPECT_FALSE(planImageDrop(QStringLiteral("\U0001F600"), { 1, 1 }, { "x.png" }));
    EXPECT_FALSE(planImageDrop("abc", { 0, 1 }, {}));
}

TEST(LinkDrop, UrlIsFirstNonEmptyEntry)
{
    EXPECT_EQ(linkURL({ "", "https://a.b", "https://c.d" }), QString("https://a.b"));
    EXPECT_FALSE(linkURL({ "", "" }));
    EXPECT_FALSE(linkURL({}));
}

struct LinkOutcome {
    QString text;
    LinkDropOutcome outcome;
};

// Carries a link drop out on plain text, as the view does: edits from the
// last selection back, each one reported as made.
LinkOutcome dropLink(const QString& text, const std::vector<Range>& selections, const QString& url)
{
    QString result = text;
    std::vector<bool> linked(selections.size(), false);
    for (const LinkEdit& edit : planLinkEdits(text, selections, url)) {
        result.replace(edit.range.location, edit.range.length, edit.replacement);
        linked[edit.index] = true;
    }
    return { result, linkDropOutcome(selections, url, linked) };
}

TEST(LinkDrop, WorkedExampleOneSelection)
{
    const QString url = "http://a.b"; // 10 units
    const LinkOutcome r = dropLink("read docs now", { { 5, 4 } }, url);
    EXPECT_EQ(r.text, "read [docs](http://a.b) now");
    EXPECT_EQ(r.outcome.selections, (std::vector<Range> { { 6, 4 } }));
    ASSERT_TRUE(r.outcome.jump);
    EXPECT_EQ(*r.outcome.jump, (PendingJump { 6, 17 }));
    EXPECT_EQ(r.text.indexOf(" now"), 23);
}

TEST(LinkDrop, WorkedExampleTwoSelections)
{
    const LinkOutcome r = dropLink("a b", { { 0, 1 }, { 2, 1 } }, "http://a.b");
    EXPECT_EQ(r.text, "[a](http://a.b) [b](http://a.b)");
    EXPECT_EQ(r.outcome.selections, (std::vector<Range> { { 1, 1 }, { 17, 1 } }));
    EXPECT_EQ(*r.outcome.jump, (PendingJump { 1, 1 + 13 }));
}

TEST(LinkDrop, EmptySelectionGetsEmptyLinkText)
{
    const LinkOutcome r = dropLink("ab", { { 1, 0 } }, "u");
    EXPECT_EQ(r.text, "a[](u)b");
    EXPECT_EQ(r.outcome.selections, (std::vector<Range> { { 2, 0 } }));
    EXPECT_EQ(*r.outcome.jump, (PendingJump { 2, 4 }));
}

// The selections follow the links that were actually made: a selection that
// splits a character gets no link, and those behind it must not be moved as if
// it had one.
TEST(LinkDrop, SelectionsFollowWhatWasInserted)
{
    const QString text = QStringLiteral("a \U0001F600b c");
    const std::vector<Range> selections = { { 0, 1 }, { 3, 2 }, { 6, 1 } };
    const LinkOutcome r = dropLink(text, selections, "u");
    EXPECT_EQ(r.text, QStringLiteral("[a](u) \U0001F600b [c](u)"));
    ASSERT_EQ(r.outcome.selections.size(), 3u);
    EXPECT_EQ(r.text.mid(r.outcome.selections[0].location, r.outcome.selections[0].length), "a");
    EXPECT_EQ(r.text.mid(r.outcome.selections[1].location, r.outcome.selections[1].length),
              text.mid(3, 2));
    EXPECT_EQ(r.text.mid(r.outcome.selections[2].location, r.outcome.selections[2].length), "c");
    EXPECT_EQ(r.outcome.selections[2], (Range { 12, 1 }));
}

TEST(LinkDrop, JumpBelongsToFirstLinkMade)
{
    const QString text = QStringLiteral("\U0001F600 c");
    const LinkOutcome r = dropLink(text, { { 1, 1 }, { 3, 1 } }, "uv");
    EXPECT_EQ(r.text, QStringLiteral("\U0001F600 [c](uv)"));
    EXPECT_EQ(r.outcome.selections, (std::vector<Range> { { 1, 1 }, { 4, 1 } }));
    ASSERT_TRUE(r.outcome.jump);
    EXPECT_EQ(*r.outcome.jump, (PendingJump { 4, 1 + 2 + 3 }));
    EXPECT_EQ(r.outcome.jump->location + r.outcome.jump->suffixLength, r.text.size());
}

TEST(LinkDrop, NoLinkMadeLeavesSelectionsAndNoJump)
{
    const std::vector<Range> selections = { { 0, 1 }, { 2, 1 } };
    const LinkDropOutcome outcome = linkDropOutcome(selections, "u", { false, false });
    EXPECT_EQ(outcome.selections, selections);
    EXPECT_FALSE(outcome.jump);
}

TEST(LinkDrop, ThreeSelectionsSameUrl)
{
    const LinkOutcome r = dropLink("one two three", { { 0, 3 }, { 4, 3 }, { 8, 5 } }, "https://x.y");
    EXPECT_EQ(r.text, "[one](https://x.y) [two](https://x.y) [three](https://x.y)");
    const QStringList expected { "one", "two", "three" };
    for (int i = 0; i < 3; ++i) {
        const Range s = r.outcome.selections[i];
        EXPECT_EQ(r.text.mid(s.location, s.length), expected[i]);
        EXPECT_EQ(r.text[s.location - 1], QLatin1Char('['));
    }
}

} // namespace
