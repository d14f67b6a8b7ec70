#include "shell/DocumentWindowControllerInterface.h"
#include "shell/FileDrops.h"
#include "shell/PenwickWindow.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

namespace penwick::test {
namespace {

// Stands in for the document window's controller, which is not part of this test: records
// what it is asked to open.
class RecordingWindowController : public QObject, public DocumentWindowControllerInterface {
public:
    void dragAndDropOpen(const QStringList& paths) override { opened.append(paths); }
    QUrl baseURLOfWindowOrDocument() const override { return {}; }
    QList<QStringList> opened;
};

std::unique_ptr<QMimeData> filesData(const QStringList& paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data->setUrls(urls);
    return data;
}

struct DropResult {
    bool entered = false;
    bool dropped = false;
};

DropResult dragAndDrop(QWidget* target, const QMimeData* data, Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction)
{
    DropResult result;
    QDragEnterEvent enter(QPoint(10, 10), actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    result.entered = enter.isAccepted() && enter.dropAction() == Qt::CopyAction;
    QDropEvent drop(QPointF(10, 10), actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    result.dropped = drop.isAccepted();
    return result;
}

class FileDropTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.awakeFromNib();
        window.setDocumentWindowController(&controller);
        window.resize(400, 300);
    }
    RecordingWindowController controller;
    PenwickWindow window;
};

TEST_F(FileDropTest, ThreeFilesArriveAsOneList)
{
    const auto data = filesData({ "/tmp/a.md", "/tmp/b.md", "/tmp/folder" });
    const DropResult result = dragAndDrop(&window, data.get());
    EXPECT_TRUE(result.entered);
    EXPECT_TRUE(result.dropped);
    ASSERT_EQ(controller.opened.size(), 1);
    EXPECT_EQ(controller.opened.first(), QStringList({ "/tmp/a.md", "/tmp/b.md", "/tmp/folder" }));
}

TEST_F(FileDropTest, DropsWithoutFileNamesAreRefused)
{
    struct Case {
        const char* name;
        std::function<void(QMimeData&)> fill;
        bool entered;
    };
    const Case cases[] = {
        { "plain text", [](QMimeData& d) { d.setText(QStringLiteral("some words")); }, true },
        { "rich text", [](QMimeData& d) { d.setData(QStringLiteral("text/rtf"), "{\\rtf1 x}"); }, true },
        { "remote link", [](QMimeData& d) { d.setUrls({ QUrl(QStringLiteral("https://example.org/a.md")) }); }, true },
        { "an image", [](QMimeData& d) { d.setData(QStringLiteral("image/png"), "\x89PNG"); }, false },
    };
    for (const Case& c : cases) {
        QMimeData data;
        c.fill(data);
        const DropResult result = dragAndDrop(&window, &data);
        EXPECT_EQ(result.entered, c.entered) << c.name;
        EXPECT_FALSE(result.dropped) << c.name;
    }
    EXPECT_TRUE(controller.opened.isEmpty());
}

TEST_F(FileDropTest, ADragThatCannotCopyIsNotEntered)
{
    const auto data = filesData({ "/tmp/a.md" });
    EXPECT_EQ(FileDrops::draggingEntered(data.get(), Qt::MoveAction), Qt::IgnoreAction);
    EXPECT_EQ(FileDrops::draggingEntered(data.get(), Qt::CopyAction | Qt::LinkAction), Qt::CopyAction);
    EXPECT_EQ(FileDrops::acceptableDragTypes(),
        QStringList({ "text/uri-list", "text/rtf", "text/plain" }));
}

TEST_F(FileDropTest, ADropAreaHandsFilesToItsWindowsController)
{
    auto* area = new DragAndDropView(&window);
    area->awakeFromNib();
    EXPECT_TRUE(area->acceptDrops());
    const auto data = filesData({ "/tmp/x.md", "/tmp/y.md" });
    EXPECT_TRUE(dragAndDrop(area, data.get()).dropped);
    ASSERT_EQ(controller.opened.size(), 1);
    EXPECT_EQ(controller.opened.first().size(), 2);

    // Outside a document window the files are taken and go nowhere.
    DragAndDropView loose;
    loose.awakeFromNib();
    EXPECT_TRUE(dragAndDrop(&loose, data.get()).dropped);
    EXPECT_EQ(controller.opened.size(), 1);
}

} // namespace
} // namespace penwick::test
