// The Quick Open panel over real temporary folders, driving the real search service.
#include "tools/QuickOpenText.h"
#include "tools/TVXQuickOpenDelegate.h"
#include "tools/TVXQuickOpenTableCellView.h"
#include "tools/TVXQuickOpenWindowController.h"
#include "tools/TVXSelectedTableRowView.h"

#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace penwick;
using penwick::test::temporaryFolder;
using penwick::test::waitUntil;

namespace {

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
}

class PathRecorder : public TVXQuickOpenDelegate {
public:
    void pathDidSelectForQuickOpen(const QString& path) override { paths.append(path); }
    QStringList paths;
};

class QuickOpenPanel : public ::testing::Test {
protected:
    void SetUp() override { root = temporaryFolder() + "/Notes"; }

    std::unique_ptr<TVXQuickOpenWindowController> make(const QStringList& roots)
    {
        auto panel = std::make_unique<TVXQuickOpenWindowController>(roots, [] { return TVXQuickSearchService::IgnoreTest(); });
        panel->setDelegate(&chosen);
        return panel;
    }
    // Types the text into the field and waits for a finished search with `rows` rows.
    void type(TVXQuickOpenWindowController& panel, const QString& text, int rows)
    {
        panel.searchTextField()->setText(text);
        EXPECT_TRUE(waitUntil([&] { return panel.numberOfRows() == rows && panel.searchResults().size() == rows; }))
            << qPrintable(text) << " gave " << panel.numberOfRows() << " rows";
    }
    // The file names the table shows, in order.
    static QStringList shownNames(const TVXQuickOpenWindowController& panel)
    {
        QStringList names;
        for (int row = 0; row < panel.numberOfRows(); ++row)
            names.append(panel.searchTableView()->model()->index(row, 0).data().toString());
        return names;
    }

    QString root;
    PathRecorder chosen;
};

} // namespace

TEST(QuickOpenText, HighlightsFollowTheTypedCharactersInOrder)
{
    struct Case {
        QString name, typed;
        QList<QuickOpenTextRange> ranges;
    };
    const QString decomposed = QStringLiteral("cafe\u0301.md");
    const std::vector<Case> cases {
        { "tab.md", "ab", { { 1, 1 }, { 2, 1 } } },
        { "tab.md", "AB", { { 1, 1 }, { 2, 1 } } },
        // A missing letter highlights nothing and leaves the search start alone.
        { "tab.md", "zb", { { 2, 1 } } },
        { "tab.md", "x", {} },
        // The search never goes back: the second "a" of "aa" is not the first one again.
        { "tab.md", "aa", { { 1, 1 } } },
        { "tab.md", "ba", { { 2, 1 } } },
        { decomposed, QStringLiteral("e\u0301"), { { 3, 2 } } },
        { "x", "", {} },
    };
    for (const Case& c : cases)
        EXPECT_EQ(quickOpenHighlightRanges(c.name, c.typed), c.ranges) << qPrintable(c.name + " / " + c.typed);
}

TEST(QuickOpenText, PathTextNamesTheRootThatHoldsTheFileByWholeComponents)
{
    struct Case {
        QString path;
        QStringList roots;
        QString shown;
    };
    const std::vector<Case> cases {
        { "/x/Notes/a/b.md", { "/x/Notes" }, "Notes/a/b.md" },
        { "/x/Notes/b.md", { "/x/Notes/" }, "Notes/b.md" },
        { "/x/Other/b.md", { "/x/Notes" }, "" },
        { "/x/Notes2/c.md", { "/x/Notes" }, "" },
        { "/x/Notes2/c.md", { "/x/Notes", "/x/Notes2" }, "Notes2/c.md" },
        // The first root in order that holds the file wins.
        { "/x/Notes/sub/d.md", { "/x/Notes/sub", "/x/Notes" }, "sub/d.md" },
        { "/x/Notes", { "/x/Notes" }, "" },
        { "/x/e.md", { "", "/" }, "/x/e.md" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(quickOpenPathText(c.path, c.roots), c.shown) << qPrintable(c.path + " in " + c.roots.join(','));
}

TEST(QuickOpenTable, HeightFollowsTheResultCount)
{
    EXPECT_EQ(TVXQuickOpenWindowController::tableHeightFor(0, 20), 0);
    EXPECT_EQ(TVXQuickOpenWindowController::tableHeightFor(3, 20), 66);
    EXPECT_EQ(TVXQuickOpenWindowController::tableHeightFor(6, 20), 132);
    EXPECT_EQ(TVXQuickOpenWindowController::tableHeightFor(7, 20), 134);
    EXPECT_EQ(TVXQuickOpenWindowController::tableHeightFor(10, 20), 140);
    // The spacing stops counting at 12 results: a long list scrolls.
    EXPECT_EQ(TVXQuickOpenWindowController::tableHeightFor(12, 20), 144);
    EXPECT_EQ(TVXQuickOpenWindowController::tableHeightFor(13, 20), 144);
    EXPECT_EQ(TVXQuickOpenWindowController::tableHeightFor(100000, 20), 144);
}

TEST_F(QuickOpenPanel, OneCharacterEmptiesAndCollapsesTheListWithoutSearching)
{
    touch(root + "/abc.md");
    touch(root + "/bcd.md");
    {
        auto fresh = make({ root });
        for (const char* text : { "a", "  b  ", " ", "\t\nc\n" }) {
            fresh->searchTextField()->setText(text);
            EXPECT_EQ(fresh->numberOfRows(), 0);
            EXPECT_EQ(fresh->tableViewHeight(), 0);
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(fresh->searchService()->gatherer(), nullptr) << "nothing was searched";
        EXPECT_EQ(fresh->currentSearchText(), "c");
    }
    auto panel = make({ root });
    type(*panel, "bc", 2);
    EXPECT_GT(panel->tableViewHeight(), 0);
    panel->searchTextField()->setText(" b ");
    EXPECT_EQ(panel->numberOfRows(), 0);
    EXPECT_TRUE(panel->searchResults().isEmpty());
    EXPECT_EQ(panel->tableViewHeight(), 0);
}

TEST_F(QuickOpenPanel, SpacesAroundTheTextAreNotSearched)
{
    touch(root + "/tab.md");
    touch(root + "/other.md");
    auto panel = make({ root });
    type(*panel, "  ab  ", 1);
    EXPECT_EQ(panel->currentSearchText(), "ab");
    EXPECT_EQ(panel->searchService()->currentSearchText(), "ab");
    EXPECT_EQ(shownNames(*panel), QStringList { "tab.md" });
}

TEST_F(QuickOpenPanel, TheTableIsAsHighAsItsRows)
{
    for (int i = 0; i < 10; ++i)
        touch(root + QStringLiteral("/many/note%1.md").arg(i));
    for (int i = 0; i < 3; ++i)
        touch(root + QStringLiteral("/few/zq%1.md").arg(i));
    touch(root + "/solo.md");
    auto panel = make({ root });
    const double h = panel->rowHeight();
    ASSERT_GT(h, 10);
    EXPECT_EQ(panel->searchTableView()->verticalHeader()->defaultSectionSize(), int(h) + 2) << "rows stand h + 2 apart";
    type(*panel, "zq", 3);
    EXPECT_EQ(panel->tableViewHeight(), 3 * h + 6);
    type(*panel, "note", 10);
    EXPECT_EQ(panel->tableViewHeight(), 6 * h + 20);
    type(*panel, "solo", 1);
    EXPECT_EQ(panel->tableViewHeight(), h + 2);
}

TEST_F(QuickOpenPanel, UpAndDownWrapAroundAndDoNothingOnAnEmptyList)
{
    for (const char* name : { "alpha.md", "alpine.md", "alps.md" })
        touch(root + "/" + name);
    auto panel = make({ root });
    QLineEdit* field = panel->searchTextField();
    // Nothing to select yet.
    QTest::keyClick(field, Qt::Key_Down);
    QTest::keyClick(field, Qt::Key_Up);
    EXPECT_EQ(panel->selectedRow(), -1);

    type(*panel, "alp", 3);
    QTest::keyClick(field, Qt::Key_Up);
    EXPECT_EQ(panel->selectedRow(), 2) << "no selection: Up selects the last row";
    QTest::keyClick(field, Qt::Key_Down);
    EXPECT_EQ(panel->selectedRow(), 0) << "Down from the last row selects the first";
    QTest::keyClick(field, Qt::Key_Up);
    EXPECT_EQ(panel->selectedRow(), 2) << "Up from the first row selects the last";
    QTest::keyClick(field, Qt::Key_Up);
    EXPECT_EQ(panel->selectedRow(), 1);
    panel->searchTableView()->clearSelection();
    QTest::keyClick(field, Qt::Key_Down);
    EXPECT_EQ(panel->selectedRow(), 0) << "no selection: Down selects the first row";
    EXPECT_EQ(field->text(), "alp") << "the keys never reach the text";
}

TEST_F(QuickOpenPanel, ReturnOpensTheSelectedPathOrNothing)
{
    touch(root + "/a/tab.md");
    touch(root + "/table.md");
    auto panel = make({ root });
    panel->showWindowWithParentWindowLocation(QPoint(300, 200));
    ASSERT_TRUE(panel->isVisible());
    type(*panel, "tab", 2);
    QTest::keyClick(panel->searchTextField(), Qt::Key_Return);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(chosen.paths.isEmpty());

    panel->showWindowWithParentWindowLocation(QPoint(300, 200));
    EXPECT_EQ(panel->searchTextField()->selectedText(), "tab") << "shown again with the last text, all selected";
    EXPECT_EQ(panel->numberOfRows(), 2) << "and the last results";
    QTest::keyClick(panel->searchTextField(), Qt::Key_Down);
    QTest::keyClick(panel->searchTextField(), Qt::Key_Enter);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(chosen.paths, QStringList { root + "/a/tab.md" });
}

TEST_F(QuickOpenPanel, RowsShowTheNameTheIconAndWhereTheFileLies)
{
    // "b.md" is too short a name for any search to find: the rows come as the service hands them.
    const QString base = QFileInfo(root).path();
    touch(root + "/a/b.md");
    touch(base + "/Notes2/c.md");
    touch(base + "/elsewhere/d.md");
    auto panel = make({ root });
    panel->searchDidFinishWithResult({ QuickOpenSearchResult(root + "/a/b.md", 1.0f),
        QuickOpenSearchResult(base + "/Notes2/c.md", 0.9f), QuickOpenSearchResult(base + "/elsewhere/d.md", 0.8f) });
    ASSERT_EQ(panel->numberOfRows(), 3);
    EXPECT_EQ(shownNames(*panel), (QStringList { "b.md", "c.md", "d.md" }));
    const QStringList pathTexts { "Notes/a/b.md", "", "" };
    for (int row = 0; row < 3; ++row) {
        TVXQuickOpenTableCellView* cell = panel->cellAtRow(row);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->pathTextField()->text(), pathTexts[row]) << row;
        EXPECT_FALSE(cell->imageView()->pixmap().isNull()) << row;
    }
    EXPECT_EQ(panel->cellAtRow(3), nullptr);
    panel->updateScopes({ root, base + "/Notes2" });
    panel->searchDidFinishWithResult({ QuickOpenSearchResult(base + "/Notes2/c.md", 0.9f) });
    EXPECT_EQ(panel->cellAtRow(0)->pathTextField()->text(), "Notes2/c.md");
}

TEST_F(QuickOpenPanel, TheTypedLettersAreHighlightedInTheName)
{
    touch(root + "/tab.md");
    auto panel = make({ root });
    type(*panel, "ab", 1);
    const QString html = panel->cellAtRow(0)->textField()->text();
    EXPECT_EQ(html, panel->highlightedStringForDisplayName("tab.md"));
    const QString mark = "<span style=\"background-color:rgba(250,222,33,40%)\">";
    EXPECT_EQ(html, "<span style=\"white-space:pre\">t" + mark + "a</span>" + mark + "b</span>.md</span>");
    // The highlight is drawn: some pixel of the name carries the yellow tint.
    QLabel* label = panel->cellAtRow(0)->textField();
    label->resize(label->sizeHint());
    const QImage image = label->grab().toImage();
    bool tinted = false;
    for (int y = 0; y < image.height() && !tinted; ++y)
        for (int x = 0; x < image.width() && !tinted; ++x) {
            const QColor c = image.pixelColor(x, y);
            tinted = c.red() > 200 && c.blue() < c.red() - 50;
        }
    EXPECT_TRUE(tinted);
    // And so it is in the table's own row.
    QTableView* table = panel->searchTableView();
    const QImage row = table->viewport()->grab(table->visualRect(table->model()->index(0, 0))).toImage();
    int tintedPixels = 0;
    for (int y = 0; y < row.height(); ++y)
        for (int x = 0; x < row.width(); ++x) {
            const QColor c = row.pixelColor(x, y);
            tintedPixels += c.red() > 200 && c.blue() < c.red() - 50;
        }
    EXPECT_GT(tintedPixels, 10);
}

TEST_F(QuickOpenPanel, TheSelectedRowIsFilledAndOutlinedInBlueWithWhiteText)
{
    for (const char* name : { "alpha.md", "alpine.md" })
        touch(root + "/" + name);
    auto panel = make({ root });
    panel->resize(panel->sizeHint());
    type(*panel, "alp", 2);
    panel->selectRow(1);
    QTableView* table = panel->searchTableView();
    table->resize(table->width(), int(panel->tableViewHeight()));
    const QImage image = table->viewport()->grab().toImage();
    const QRect selected = table->visualRect(table->model()->index(1, 0));
    const QRect other = table->visualRect(table->model()->index(0, 0));
    const int middle = selected.center().y();
    EXPECT_EQ(image.pixelColor(2, middle).rgb(), TVXSelectedTableRowView::fillColor().rgb());
    EXPECT_EQ(image.pixelColor(selected.left(), middle).rgb(), TVXSelectedTableRowView::strokeColor().rgb());
    EXPECT_EQ(image.pixelColor(2, selected.top()).rgb(), TVXSelectedTableRowView::strokeColor().rgb());
    EXPECT_EQ(image.pixelColor(2, other.center().y()).rgb(), QColor(Qt::white).rgb());
    // Filled (0.24, 0.46, 0.83) and stroked (0.14, 0.44, 0.93).
    EXPECT_EQ(TVXSelectedTableRowView::fillColor(), QColor::fromRgbF(0.24f, 0.46f, 0.83f));
    EXPECT_EQ(TVXSelectedTableRowView::strokeColor(), QColor::fromRgbF(0.14f, 0.44f, 0.93f));

    TVXQuickOpenTableCellView* cell = panel->cellAtRow(1);
    EXPECT_EQ(cell->textField()->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(cell->pathTextField()->palette().color(QPalette::WindowText), QColor(Qt::white));
    cell = panel->cellAtRow(0);
    EXPECT_EQ(cell->textField()->palette().color(QPalette::WindowText), QColor(Qt::black));
    EXPECT_EQ(cell->pathTextField()->palette().color(QPalette::WindowText), QColor::fromRgbF(0.5, 0.5, 0.5));
}

TEST_F(QuickOpenPanel, ThePanelHangsCentredFromTheGivenPoint)
{
    QWidget window;
    window.setGeometry(100, 80, 800, 600);
    window.show();
    const QRect frame = window.frameGeometry();
    const QPoint location = TVXQuickOpenWindowController::parentWindowLocation(&window);
    EXPECT_EQ(location, QPoint(frame.x() + frame.width() / 2, frame.y() + 22));

    touch(root + "/tab.md");
    auto panel = make({ root });
    panel->showWindowWithParentWindowLocation(QPoint(500, 150));
    const QRect placed = panel->frameGeometry();
    EXPECT_EQ(placed.top(), 150);
    EXPECT_LE(std::abs(placed.left() + placed.width() / 2 - 500), 1);
    // Results grow the panel downwards; its top stays.
    type(*panel, "ab", 1);
    EXPECT_EQ(panel->frameGeometry().top(), 150);
    EXPECT_GT(panel->frameGeometry().height(), placed.height());
}

TEST_F(QuickOpenPanel, AHundredThousandResultsKeepThePanelOnTheScreen)
{
    // Every name holds "no", so every file is a result.
    for (int folder = 0; folder < 100; ++folder) {
        const QString dir = root + QStringLiteral("/f%1").arg(folder);
        ASSERT_TRUE(QDir().mkpath(dir));
        for (int i = 0; i < 1000; ++i) {
            const int fd = ::open(QFile::encodeName(dir + QStringLiteral("/note %1.md").arg(i)).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            ASSERT_GE(fd, 0);
            ::close(fd);
        }
    }
    auto panel = make({ root });
    const QRect screen = panel->screen()->availableGeometry();
    // Asked for near the bottom of the screen, the panel moves up to stay on it.
    panel->showWindowWithParentWindowLocation(QPoint(screen.center().x(), screen.bottom() - 40));
    panel->searchTextField()->setText("no");
    ASSERT_TRUE(waitUntil([&] { return panel->numberOfRows() == 100000; }, 60000)) << panel->numberOfRows();
    EXPECT_EQ(panel->tableViewHeight(), TVXQuickOpenWindowController::tableHeightFor(100000, panel->rowHeight()));
    EXPECT_TRUE(screen.contains(panel->frameGeometry())) << "panel at " << panel->frameGeometry().y() << ", "
                                                         << panel->frameGeometry().height() << " high";
    // The table scrolls: only the rows in its few lines are laid out on screen.
    QTableView* table = panel->searchTableView();
    EXPECT_LE(table->rowAt(table->viewport()->height() - 1), 8);
    EXPECT_TRUE(waitUntil([&] { return table->verticalScrollBar()->maximum() > 0; }));

    // A shorter list later keeps the panel where the screen holds it.
    panel->searchTextField()->setText("zq");
    ASSERT_TRUE(waitUntil([&] { return panel->numberOfRows() == 0; }));
    EXPECT_TRUE(screen.contains(panel->frameGeometry()));
    EXPECT_TRUE(panel->searchTextField()->isVisible());
}

TEST_F(QuickOpenPanel, LosingActivationOrEscapeClosesThePanel)
{
    auto panel = make({ root });
    panel->showWindowWithParentWindowLocation(QPoint(300, 200));
    ASSERT_TRUE(waitUntil([&] { return panel->isActiveWindow(); }));
    QWidget other;
    other.setGeometry(700, 500, 200, 100);
    other.show();
    other.activateWindow();
    EXPECT_TRUE(waitUntil([&] { return !panel->isVisible(); }));

    panel->showWindowWithParentWindowLocation(QPoint(300, 200));
    ASSERT_TRUE(panel->isVisible());
    QTest::keyClick(panel->searchTextField(), Qt::Key_Escape);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(chosen.paths.isEmpty());
}

TEST_F(QuickOpenPanel, NothingReachesThePanelAfterItIsUnhooked)
{
    touch(root + "/tab.md");
    auto panel = make({ root });
    panel->showWindowWithParentWindowLocation(QPoint(300, 200));
    type(*panel, "ta", 1);
    panel->selectRow(0);
    platform::FileGatherer* gatherer = panel->searchService()->gatherer();
    ASSERT_NE(gatherer, nullptr);
    int gathered = 0;
    QObject::connect(gatherer, &platform::FileGatherer::gathered, [&] { ++gathered; });
    gatherer->markStale();
    // A search under way when the window lets go of the panel.
    panel->searchTextField()->setText("tab");
    panel->unhookAndClose();
    EXPECT_FALSE(panel->isVisible());
    ASSERT_TRUE(waitUntil([&] { return gathered == 1; }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(panel->searchResults().isEmpty()) << "the service's results did not arrive";
    EXPECT_EQ(panel->numberOfRows(), 1) << "the table was not reloaded";
    // Typing and keys do nothing any more.
    panel->searchTextField()->setText("zz");
    EXPECT_EQ(panel->currentSearchText(), "tab");
    QTest::keyClick(panel->searchTextField(), Qt::Key_Return);
    QTest::mouseDClick(panel->searchTableView()->viewport(), Qt::LeftButton, {}, panel->searchTableView()->visualRect(panel->searchTableView()->model()->index(0, 0)).center());
    EXPECT_TRUE(chosen.paths.isEmpty());
    EXPECT_EQ(panel->searchService()->delegate(), nullptr);
}
