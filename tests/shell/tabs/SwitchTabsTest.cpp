#include "platform/tabs/TabViewItem.h"
#include "shell/TVXSwitchTabsWindowController.h"
#include "tools/TVXQuickOpenTableCellView.h"
#include "TestSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace penwick;
using platform::TabViewItem;

namespace {

struct Chooser : TVXSwitchTabsDelegate {
    void tabItemDidSelectForSwitching(TabViewItem* item) override { chosen.append(item); }
    QList<TabViewItem*> chosen;
};

class Switcher : public ::testing::Test {
protected:
    QList<TabViewItem*> items(int n)
    {
        QList<TabViewItem*> list;
        for (int i = 0; i < n; ++i) {
            auto* item = new TabViewItem(nullptr, &owner);
            item->setLabel(QStringLiteral("tab %1").arg(i));
            list.append(item);
        }
        return list;
    }
    std::unique_ptr<TVXSwitchTabsWindowController> make(int n, int offset)
    {
        list = items(n);
        auto panel = std::make_unique<TVXSwitchTabsWindowController>(list, [](TabViewItem* i) { return i->label().toUpper(); });
        panel->setDelegate(&chooser);
        panel->showWindowWithParentWindowLocation(QPoint(500, 400), offset);
        return panel;
    }
    void key(QWidget* target, QEvent::Type type, int k, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QKeyEvent event(type, k, mods);
        QApplication::sendEvent(target, &event);
    }
    QObject owner;
    QList<TabViewItem*> list;
    Chooser chooser;
};

} // namespace

TEST_F(Switcher, OneTabKeepsItsSingleRow)
{
    auto panel = make(1, 1);
    EXPECT_EQ(panel->numberOfRows(), 1);
    EXPECT_EQ(panel->selectedRow(), 0);
    panel->gotoPrevDocInStack();
    EXPECT_EQ(panel->selectedRow(), 0);
    panel->gotoNextDocInStack();
    EXPECT_EQ(panel->selectedRow(), 0);
    EXPECT_EQ(panel->cellAtRow(0)->textField()->text(), QStringLiteral("TAB 0"));
}

TEST_F(Switcher, OffsetsMoveFromTheFirstRowAndWrap)
{
    auto next = make(5, 1);
    EXPECT_EQ(next->selectedRow(), 1);
    auto prev = make(5, -1);
    EXPECT_EQ(prev->selectedRow(), 4);
    prev->gotoNextDocInStack();
    EXPECT_EQ(prev->selectedRow(), 0);
    auto none = make(5, 0);
    EXPECT_EQ(none->selectedRow(), 0);
    none->tableView()->setCurrentRow(-1);
    none->gotoNextDocInStack();
    EXPECT_EQ(none->selectedRow(), 0);
    none->tableView()->setCurrentRow(-1);
    none->gotoPrevDocInStack();
    EXPECT_EQ(none->selectedRow(), 4);
}

TEST_F(Switcher, TheSelectedRowIsDrawnWhiteAndTheOthersDark)
{
    auto panel = make(3, 1);
    EXPECT_TRUE(panel->cellAtRow(1)->hasSelectedAppearance());
    EXPECT_FALSE(panel->cellAtRow(0)->hasSelectedAppearance());
    EXPECT_EQ(panel->cellAtRow(1)->textField()->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(panel->cellAtRow(0)->pathTextField()->palette().color(QPalette::WindowText), QColor::fromRgbF(0.5, 0.5, 0.5, 1.0));
}

TEST_F(Switcher, ReleasingOrPressingControlCommits)
{
    auto released = make(4, 1);
    key(released.get(), QEvent::KeyPress, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(released->selectedRow(), 2);
    key(released.get(), QEvent::KeyRelease, Qt::Key_Control);
    ASSERT_EQ(chooser.chosen.size(), 1);
    EXPECT_EQ(chooser.chosen[0], list[2]);
    EXPECT_FALSE(released->isVisible());

    auto pressed = make(4, -1);
    key(pressed.get(), QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    ASSERT_EQ(chooser.chosen.size(), 2);
    EXPECT_EQ(chooser.chosen[1], list[3]);
    key(pressed.get(), QEvent::KeyRelease, Qt::Key_Control); // already finished: nothing more
    EXPECT_EQ(chooser.chosen.size(), 2);
}

TEST_F(Switcher, EscapeOrLeavingThePanelClosesWithoutAChoice)
{
    auto escaped = make(3, 1);
    key(escaped.get(), QEvent::KeyPress, Qt::Key_Escape);
    EXPECT_FALSE(escaped->isVisible());
    auto left = make(3, 1);
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(left.get(), &deactivate);
    EXPECT_FALSE(left->isVisible());
    EXPECT_TRUE(chooser.chosen.isEmpty());
}

TEST_F(Switcher, HeightFollowsTheRowCount)
{
    for (int n : { 1, 3, 10, 12 }) {
        auto panel = make(n, 0);
        const double h = panel->rowHeight();
        const double expected = n <= 10 ? n * h + 2 * n : 10 * h;
        EXPECT_DOUBLE_EQ(panel->tableHeight(), expected) << n;
        EXPECT_EQ(panel->tableView()->height(), int(expected)) << n;
        // Centred on the location.
        EXPECT_EQ(panel->pos().y(), 400 - int(expected / 2)) << n;
    }
    auto ten = make(10, 0);
    EXPECT_DOUBLE_EQ(ten->tableHeight(), 10 * ten->rowHeight() + 20);
}
