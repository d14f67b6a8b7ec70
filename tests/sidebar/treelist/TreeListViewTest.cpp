// The tree list on a small tree of plain items, in a real view offscreen.
#include "platform/treelist/TreeListModel.h"
#include "platform/treelist/TreeListView.h"

#include "../support/QtPrinters.h"
#include "TestSupport.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace penwick;
using namespace penwick::platform;

namespace {

// Answers from a tree of plain items and writes down every call in order.
class Recorder : public TreeListDataSource, public TreeListDelegate, public TreeListTarget {
public:
    std::vector<TreeListItemPtr> top;
    QStringList log;

    const std::vector<TreeListItemPtr>& childrenOf(const TreeListItemPtr& item) const { return item ? item->children() : top; }
    static QString name(const TreeListItemPtr& item) { return item ? item->title() : QStringLiteral("<none>"); }

    int numberOfChildrenOfItem(TreeListView*, const TreeListItemPtr& item) override
    {
        log << "count:" + name(item);
        return int(childrenOf(item).size());
    }
    TreeListItemPtr childOfItem(TreeListView*, int index, const TreeListItemPtr& item) override { return childrenOf(item).at(std::size_t(index)); }
    bool isItemExpandable(TreeListView*, const TreeListItemPtr& item) override { return item->identifier().startsWith("dir"); }
    bool shouldEditItem(TreeListView*, const TreeListItemPtr&) override { return true; }
    void setObjectValue(TreeListView*, const QVariant& value, const TreeListItemPtr& item) override
    {
        log << "edit:" + name(item) + "=" + value.toString();
        item->setTitle(value.toString());
    }

    void itemWillExpand(TreeListView*, const TreeListItemPtr& item) override { log << "will:" + name(item); }
    void itemDidExpand(TreeListView*, const TreeListItemPtr& item) override { log << "did:" + name(item); }
    void itemDidCollapse(TreeListView*, const TreeListItemPtr& item) override { log << "collapse:" + name(item); }
    std::unique_ptr<QMenu> menuForItem(TreeListView*, const TreeListItemPtr& item) override
    {
        log << "menu:" + name(item);
        auto menu = std::make_unique<QMenu>();
        menu->addAction(QStringLiteral("Open"));
        return menu;
    }
    void deleteKeyPressedOnRows(TreeListView*, const QList<int>& rows) override
    {
        QStringList text;
        for (int row : rows)
            text << QString::number(row);
        log << "delete:" + text.join(',');
    }
    void listAction(TreeListView*, const TreeListItemPtr& item) override { log << "click:" + name(item); }
    void listDoubleAction(TreeListView*, const TreeListItemPtr& item) override { log << "double:" + name(item); }

    QStringList take() { return std::exchange(log, {}); }
};

TreeListItemPtr make(const QString& title, bool folder, std::initializer_list<TreeListItemPtr> children = {})
{
    auto item = TreeListItem::itemWithTitle(title, (folder ? "dir:" : "file:") + title);
    for (const auto& child : children)
        item->addChildItem(child);
    return item;
}

class TreeList : public ::testing::Test {
protected:
    void SetUp() override
    {
        a1 = make("a1", false);
        a2 = make("a2", false);
        inner = make("inner", true, { make("deep", false) });
        a = make("a", true, { a1, a2, inner });
        b = make("b", false);
        group = make("GROUP", true, { a, b });
        other = make("OTHER", true, { make("x", false) });
        recorder.top = { group, other };
        view.setDataSource(&recorder);
        view.setDelegate(&recorder);
        view.setTarget(&recorder);
        view.resize(300, 400);
        view.setMenuPresenter([this](QMenu& menu, const QPoint&) {
            for (QAction* action : menu.actions())
                shownMenus << action->text();
        });
        view.show();
        view.reloadData();
        recorder.take();
    }

    QRect rectOf(const TreeListItemPtr& item) { return view.visualRect(view.listModel()->indexForItem(item.get())); }

    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(&view, &press);
    }

    Recorder recorder;
    TreeListView view;
    QStringList shownMenus;
    TreeListItemPtr group, other, a, a1, a2, inner, b;
};

TEST_F(TreeList, WillExpandComesBeforeTheFirstChildCountAndDidExpandAfter)
{
    view.expandItem(group);
    EXPECT_EQ(recorder.take(), (QStringList { "will:GROUP", "count:GROUP", "did:GROUP" }));

    // The user's way: the Right arrow on a selected folder.
    view.selectRowIndexes({ view.rowForItem(a) }, false);
    key(Qt::Key_Right);
    EXPECT_TRUE(view.isItemExpanded(a));
    EXPECT_EQ(recorder.take(), (QStringList { "will:a", "count:a", "did:a" }));

    // Later expansions count nothing and are still announced; expanding an open row says nothing.
    view.collapseItem(a);
    view.expandItem(a);
    view.expandItem(a);
    EXPECT_EQ(recorder.take(), (QStringList { "collapse:a", "will:a", "did:a" }));
}

TEST_F(TreeList, ARowExpandedInsideACollapsedParentStaysExpanded)
{
    view.expandItem(group);
    view.expandItem(a);
    view.expandItem(inner);
    view.collapseItem(a);
    recorder.take();
    EXPECT_TRUE(view.isItemExpanded(inner));
    EXPECT_EQ(view.rowForItem(inner), -1);
    view.expandItem(a);
    EXPECT_EQ(view.rowForItem(inner), 4);
    EXPECT_EQ(view.itemAtRow(5)->title(), "deep");
}

TEST_F(TreeList, ReloadKeepsExpansionAndReportsNothing)
{
    view.expandItem(group);
    view.expandItem(a);
    view.selectRowIndexes({ view.rowForItem(a2) }, false);
    recorder.take();

    view.reloadData();
    for (const QString& call : recorder.take())
        EXPECT_TRUE(call.startsWith("count:")) << call.toStdString();
    EXPECT_TRUE(view.isItemExpanded(group));
    EXPECT_TRUE(view.isItemExpanded(a));
    EXPECT_FALSE(view.isItemExpanded(other));
    EXPECT_EQ(view.numberOfRows(), 7);
    EXPECT_EQ(view.selectedRow(), view.rowForItem(a2));
}

TEST_F(TreeList, InsertAndRemoveAtAnIndexUpdateTheRows)
{
    view.expandItem(group);
    view.expandItem(a);
    ASSERT_EQ(view.numberOfRows(), 7);

    auto c = make("c", false);
    a->insertChildItem(c, 1);
    view.insertItemsAtIndexes({ 1 }, a);
    EXPECT_EQ(view.numberOfRows(), 8);
    EXPECT_EQ(view.itemAtRow(3), c);
    EXPECT_EQ(view.rowForItem(a2), 4);

    std::weak_ptr<TreeListItem> weak = a1;
    a->removeChildItem(a1.get());
    view.removeItemsAtIndexes({ 0 }, a);
    a1.reset();
    EXPECT_TRUE(weak.expired()) << "the list must not keep a removed row";
    EXPECT_EQ(view.numberOfRows(), 7);
    EXPECT_EQ(view.itemAtRow(2), c);

    // Inserting under a folder the list never opened waits for its first expansion.
    inner->addChildItem(make("new", false));
    view.insertItemsAtIndexes({ 1 }, inner);
    view.expandItem(inner);
    EXPECT_EQ(view.numberOfRows(), 9);
    EXPECT_EQ(view.itemAtRow(6)->title(), "new");
}

TEST_F(TreeList, AnEditCommitsThroughTheDataSource)
{
    view.expandItem(group);
    const int row = view.rowForItem(b);
    view.editRow(row);
    ASSERT_TRUE(view.isEditingRow());
    auto* editor = view.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("renamed.md");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(editor, &enter);
    ASSERT_TRUE(test::waitUntil([&] { return !view.isEditingRow(); }));
    EXPECT_TRUE(recorder.take().contains("edit:b=renamed.md"));
    EXPECT_EQ(view.itemAtRow(row)->title(), "renamed.md");
}

TEST_F(TreeList, RightClickAndTheMenuKeyAskForAMenuAndALeftClickDoesNot)
{
    view.expandItem(group);
    recorder.take();

    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, rectOf(b).center());
    EXPECT_EQ(recorder.take(), QStringList { "click:b" });

    // Ctrl+left click toggles the row's selection and asks for no menu.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ControlModifier, rectOf(a).center());
    EXPECT_EQ(view.selectedRowIndexes(), (QList<int> { 1, 2 }));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ControlModifier, rectOf(a).center());
    EXPECT_EQ(view.selectedRowIndexes(), (QList<int> { 2 }));
    for (const QString& call : recorder.take())
        EXPECT_FALSE(call.startsWith("menu:")) << call.toStdString();

    QContextMenuEvent right(QContextMenuEvent::Mouse, rectOf(a).center(), view.viewport()->mapToGlobal(rectOf(a).center()));
    QApplication::sendEvent(view.viewport(), &right);
    EXPECT_EQ(recorder.take(), QStringList { "menu:a" });

    view.selectRowIndexes({ view.rowForItem(b) }, false);
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), QPoint());
    QApplication::sendEvent(view.viewport(), &menuKey);
    EXPECT_EQ(recorder.take(), QStringList { "menu:b" });
    EXPECT_EQ(shownMenus, (QStringList { "Open", "Open" }));
}

TEST_F(TreeList, DeleteWithTwoRowsSelectedReportsBothUpperFirst)
{
    view.expandItem(group);
    view.expandItem(other);
    view.selectRowIndexes({ 4 }, false);
    view.selectRowIndexes({ view.rowForItem(b) }, true);
    recorder.take();
    key(Qt::Key_Delete);
    key(Qt::Key_Backspace);
    EXPECT_EQ(recorder.take(), (QStringList { "delete:2,4", "delete:2,4" }));
}

TEST_F(TreeList, ADoubleClickGivesClickThenDoubleClickAndExpandsNothing)
{
    view.expandItem(group);
    recorder.take();
    const QPoint point = rectOf(a).center();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, point);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, point);
    const QStringList calls = recorder.take();
    ASSERT_GE(calls.size(), 2);
    EXPECT_EQ(calls.first(), "click:a");
    EXPECT_EQ(calls.last(), "double:a");
    EXPECT_EQ(calls.count("double:a"), 1);
    EXPECT_FALSE(view.isItemExpanded(a));
}

TEST_F(TreeList, CtrlReturnSendsTheDoubleActionAndOtherReturnsGetStandardHandling)
{
    view.expandItem(group);
    view.selectRowIndexes({ view.rowForItem(b) }, false);
    recorder.take();

    key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(recorder.take(), QStringList { "double:b" });

    key(Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
    key(Qt::Key_Return);
    EXPECT_EQ(recorder.take(), QStringList());

    // Without a target the key is swallowed.
    view.setTarget(nullptr);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::ControlModifier);
    QApplication::sendEvent(&view, &press);
    EXPECT_TRUE(press.isAccepted());
    EXPECT_TRUE(recorder.take().isEmpty());
}

TEST_F(TreeList, ScrollingToARowPutsItsTopAtTheTopAndAHiddenRowScrollsToTheTop)
{
    for (int i = 0; i < 200; ++i)
        other->addChildItem(make(QString("n%1").arg(i), false));
    view.reloadData();
    view.expandItem(other);
    QApplication::processEvents(); // lays the rows out
    const int row = view.rowForItem(other->children().at(100));
    const int expected = view.scrollOffsetForRow(row);
    ASSERT_GT(expected, 0);
    ASSERT_LT(expected, view.verticalScrollBar()->maximum());
    view.scrollWithAnimationToRowIndex(row);
    ASSERT_TRUE(test::waitUntil([&] { return view.verticalScrollBar()->value() == expected; }, 5000));
    EXPECT_EQ(view.indexAt(QPoint(5, 1)), view.listModel()->indexForItem(other->children().at(100).get()));

    view.scrollWithAnimationToRowIndex(-1);
    EXPECT_TRUE(test::waitUntil([&] { return view.verticalScrollBar()->value() == 0; }, 5000));
}

} // namespace

namespace {

// A top-level row with more children than a first expansion records.
class BigFolder : public TreeList {
protected:
    static constexpr int count = 3 * TreeListModel::firstFetchRows + 17;

    // A new big row below the others, its children not read yet.
    TreeListItemPtr addBigFolder()
    {
        big = make(QString("BIG%1").arg(recorder.top.size()), true);
        for (int i = 0; i < count; ++i)
            big->addChildItem(make(QString("n%1").arg(i), false));
        recorder.top.push_back(big);
        view.reloadData();
        recorder.take();
        return big;
    }

    int recordedRows() const { return view.listModel()->rowCount(view.listModel()->indexForItem(big.get())); }
    bool isPartlyRead() const { return recordedRows() >= TreeListModel::firstFetchRows && recordedRows() < int(big->children().size()); }

    QStringList recordedTitles() const
    {
        QStringList titles;
        const QModelIndex parent = view.listModel()->indexForItem(big.get());
        for (int row = 0; row < view.listModel()->rowCount(parent); ++row)
            titles << view.listModel()->itemForIndex(view.listModel()->index(row, 0, parent))->title();
        return titles;
    }
    QStringList sourceTitles() const
    {
        QStringList titles;
        for (const auto& child : big->children())
            titles << child->title();
        return titles;
    }

    TreeListItemPtr big;
};

TEST_F(BigFolder, AFirstExpansionShowsTheFirstRowsAndTheRestFollowUnasked)
{
    addBigFolder();
    view.expandItem(big);
    EXPECT_EQ(recorder.take(), (QStringList { "will:BIG2", "count:BIG2", "did:BIG2" }));
    EXPECT_TRUE(isPartlyRead());
    EXPECT_TRUE(view.listModel()->hasPartialItems());
    view.viewport()->repaint();
    EXPECT_TRUE(rectOf(big->children().front()).isValid());

    ASSERT_TRUE(test::waitUntil([&] { return !view.listModel()->hasPartialItems(); }));
    EXPECT_EQ(recordedTitles(), sourceTitles());
    EXPECT_EQ(view.numberOfRows(), 3 + count); // GROUP, OTHER, BIG2, its rows
}

TEST_F(BigFolder, AskingAboutARowOrAnItemReadsTheRestAtOnce)
{
    // Each question on a big row freshly opened; the answers count every row.
    const std::vector<std::pair<const char*, std::function<void()>>> asks = {
        { "row of the last child", [this] { EXPECT_EQ(view.rowForItem(big->children().back()), view.rowForItem(big) + count); } },
        { "item at the last row", [this] { EXPECT_EQ(view.itemAtRow(view.numberOfRows() - 1), big->children().back()); } },
        // Every big row so far is open: the top rows, and the children of all but GROUP and OTHER.
        { "number of rows", [this] { EXPECT_EQ(view.numberOfRows(), int(recorder.top.size()) * (1 + count) - 2 * count); } },
        { "index of the last child", [this] { EXPECT_TRUE(view.listModel()->indexForItem(big->children().back().get()).isValid()); } },
    };
    for (const auto& [name, ask] : asks) {
        SCOPED_TRACE(name);
        addBigFolder();
        view.expandItem(big);
        ASSERT_TRUE(isPartlyRead());
        ask();
        EXPECT_FALSE(view.listModel()->hasPartialItems());
        EXPECT_EQ(recordedTitles(), sourceTitles());
    }
}

TEST_F(BigFolder, ChangesWhileTheRowsAreBeingReadLeaveTheRecordEqualToTheSource)
{
    addBigFolder();
    view.expandItem(big);
    ASSERT_TRUE(isPartlyRead());
    const int read = recordedRows();

    // One added among the rows read and one after them; one removed among them and one after.
    big->insertChildItem(make("first", false), 0);
    view.insertItemsAtIndexes({ 0 }, big);
    big->addChildItem(make("last", false));
    view.insertItemsAtIndexes({ int(big->children().size()) - 1 }, big);
    const TreeListItemPtr late = big->children().at(std::size_t(read + 10));
    big->removeChildItem(late.get());
    view.removeItemsAtIndexes({ read + 10 }, big);
    const TreeListItemPtr early = big->children().at(5);
    big->removeChildItem(early.get());
    view.removeItemsAtIndexes({ 5 }, big);
    EXPECT_EQ(recordedRows(), read);

    ASSERT_TRUE(test::waitUntil([&] { return !view.listModel()->hasPartialItems(); }));
    EXPECT_EQ(recordedTitles(), sourceTitles());
    EXPECT_EQ(recordedTitles().front(), "first");
    EXPECT_EQ(recordedTitles().back(), "last");
    EXPECT_FALSE(recordedTitles().contains(early->title()));
    EXPECT_FALSE(recordedTitles().contains(late->title()));
}

TEST_F(BigFolder, ARowRemovedOrReloadedWhileBeingReadIsReadNoFurther)
{
    addBigFolder();
    view.expandItem(big);
    ASSERT_TRUE(view.listModel()->hasPartialItems());
    recorder.top.pop_back();
    view.removeItemsAtIndexes({ int(recorder.top.size()) }, nullptr);
    EXPECT_FALSE(view.listModel()->hasPartialItems());
    EXPECT_FALSE(view.listModel()->indexForItem(big->children().back().get()).isValid());

    addBigFolder();
    view.expandItem(big);
    ASSERT_TRUE(view.listModel()->hasPartialItems());
    recorder.take();
    view.reloadData(); // reads an open row whole, quietly
    EXPECT_FALSE(view.listModel()->hasPartialItems());
    EXPECT_EQ(recordedTitles(), sourceTitles());
    EXPECT_TRUE(view.isItemExpanded(big));
    EXPECT_EQ(recorder.take().filter("will:").size(), 0);
}

} // namespace

namespace {

// Many rows leaving one folder at once, in many separate runs.
class ManyRows : public TreeList {
protected:
    void SetUp() override
    {
        TreeList::SetUp();
        many = make("MANY", true);
        for (int i = 0; i < 200; ++i)
            many->addChildItem(i == 11 ? make("n11", true, { make("inside", false) }) : make(QString("n%1").arg(i), false));
        recorder.top.push_back(many);
        view.reloadData();
        view.expandItem(many);
        view.listModel()->fetchRemaining();
        recorder.take();
    }
    QStringList recordedTitles() const
    {
        QStringList titles;
        const QModelIndex parent = view.listModel()->indexForItem(many.get());
        for (int row = 0; row < view.listModel()->rowCount(parent); ++row)
            titles << view.listModel()->itemForIndex(view.listModel()->index(row, 0, parent))->title();
        return titles;
    }
    QStringList sourceTitles() const
    {
        QStringList titles;
        for (const auto& child : many->children())
            titles << child->title();
        return titles;
    }
    TreeListItemPtr many;
};

TEST_F(ManyRows, ScatteredRemovalsKeepSelectionExpansionAndRowLookupsRight)
{
    const TreeListItemPtr n11 = many->children()[11];
    const TreeListItemPtr n13 = many->children()[13];
    const TreeListItemPtr n150 = many->children()[150];
    view.expandItem(n11);
    const int firstRow = view.rowForItem(many) + 1;
    view.selectRowIndexes({ view.rowForItem(n13), view.rowForItem(n150), view.rowForItem(many->children()[14]) }, false);
    const QPersistentModelIndex kept(view.listModel()->indexForItem(n150.get()));
    const QPersistentModelIndex leaving(view.listModel()->indexForItem(many->children()[14].get()));

    // Every even row but n150 goes, and n14 with them: far more runs than one step each.
    std::vector<std::size_t> positions;
    QList<int> rows;
    for (int i = 0; i < 200; ++i) {
        if ((i % 2 == 0 && i != 150) || i == 13 + 1) {
            positions.push_back(std::size_t(i));
            rows << i;
        }
    }
    int layoutChanges = 0;
    int removals = 0;
    QObject::connect(view.listModel(), &QAbstractItemModel::layoutChanged, &view, [&] { ++layoutChanges; });
    QObject::connect(view.listModel(), &QAbstractItemModel::rowsRemoved, &view, [&] { ++removals; });
    many->removeChildItemsAtIndexes(positions);
    view.removeItemsAtIndexes(rows, many);

    EXPECT_EQ(layoutChanges + removals, 1);
    EXPECT_EQ(recordedTitles(), sourceTitles());
    EXPECT_TRUE(kept.isValid());
    EXPECT_EQ(view.listModel()->itemForIndex(kept), n150);
    EXPECT_FALSE(leaving.isValid());
    EXPECT_TRUE(view.isItemExpanded(n11));
    // The selection is what is left of it, found by row.
    QStringList selected;
    for (int row : view.selectedRowIndexes())
        selected << view.itemAtRow(row)->title();
    EXPECT_EQ(selected, (QStringList { "n13", "n150" }));
    // Rows count the open folder's child.
    EXPECT_EQ(view.rowForItem(n11), firstRow + 5);
    EXPECT_EQ(view.itemAtRow(firstRow + 6)->title(), "inside");
    EXPECT_EQ(view.rowForItem(n13), firstRow + 7);
    EXPECT_EQ(view.numberOfRows(), firstRow + int(many->children().size()) + 1);

    // A few runs go one step each, and the lookups follow.
    positions = { 0, 1, 7 }; // n1, n3 and n15
    many->removeChildItemsAtIndexes(positions);
    view.removeItemsAtIndexes({ 0, 1, 7 }, many);
    EXPECT_EQ(recordedTitles(), sourceTitles());
    EXPECT_EQ(view.itemAtRow(view.rowForItem(n150)), n150);
    EXPECT_EQ(view.numberOfRows(), firstRow + int(many->children().size()) + 1);
}

TEST_F(ManyRows, RowsInsertedTogetherArriveAsOneInsertion)
{
    int insertions = 0;
    QObject::connect(view.listModel(), &QAbstractItemModel::rowsInserted, &view, [&] { ++insertions; });
    QList<int> indexes;
    for (int i = 0; i < 50; ++i) {
        many->addChildItem(make(QString("new%1").arg(i), false));
        indexes << int(many->children().size()) - 1;
    }
    view.insertItemsAtIndexes(indexes, many);
    EXPECT_EQ(insertions, 1);
    EXPECT_EQ(recordedTitles(), sourceTitles());
    EXPECT_EQ(view.itemAtRow(view.numberOfRows() - 1)->title(), "new49");
}

} // namespace

namespace {

// A window with the list and a text field that takes the focus when a row is clicked, as
// a document's editor does when a click opens it.
class ClickThenF2 : public ::testing::Test, public TreeListTarget {
protected:
    void SetUp() override
    {
        window.resize(500, 400);
        auto* layout = new QHBoxLayout(&window);
        view = new TreeListView(&window);
        editor = new QLineEdit(&window);
        layout->addWidget(view);
        layout->addWidget(editor);
        recorder.top = { make("GROUP", true, { make("one.md", false), make("two.md", false) }) };
        view->setDataSource(&recorder);
        view->setTarget(this);
        window.show();
        view->reloadData();
        view->expandItem(recorder.top.front());
        QApplication::setActiveWindow(&window);
    }
    void listAction(TreeListView*, const TreeListItemPtr&) override { editor->setFocus(); }

    void clickRow(int row)
    {
        const QRect rect = view->visualRect(view->listModel()->indexForItem(view->itemAtRow(row).get()));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    }

    Recorder recorder;
    QWidget window;
    TreeListView* view = nullptr;
    QLineEdit* editor = nullptr;
};

TEST_F(ClickThenF2, F2RightAfterAClickRenamesTheClickedRowAndTypesNothing)
{
    clickRow(1);
    ASSERT_EQ(view->selectedRow(), 1);
    QTest::keyClick(editor, Qt::Key_F2);
    EXPECT_TRUE(view->isEditingRow());
    EXPECT_TRUE(editor->text().isEmpty());
    auto* field = view->findChild<QLineEdit*>();
    ASSERT_TRUE(field);
    EXPECT_EQ(field->text(), "one.md");
}

TEST_F(ClickThenF2, OnceThePersonTypedElsewhereF2IsTheirs)
{
    clickRow(2);
    QTest::keyClick(editor, Qt::Key_A);
    QTest::keyClick(editor, Qt::Key_F2);
    EXPECT_FALSE(view->isEditingRow());
    EXPECT_EQ(editor->text(), "a");
}

} // namespace
