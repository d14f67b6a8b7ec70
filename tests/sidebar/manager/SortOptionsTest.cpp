// The sort-options dialog, driven during its modal loop.
#include "../support/QtPrinters.h"
#include "sidebar/SidebarSortingOptionsWindowController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QTimer>

#include <gtest/gtest.h>

using namespace penwick;
using By = penwick::SidebarSortByOption;
using Order = penwick::SidebarSortOrderOption;
using Dialog = penwick::SidebarSortingOptionsWindowController;

namespace {

std::optional<Dialog::Result> run(const QString& name, By by, Order order, const QStringList& disabled, const std::function<void(Dialog&)>& steps)
{
    QTimer::singleShot(0, [steps] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            ADD_FAILURE() << "no modal dialog";
            return;
        }
        steps(*dialog);
    });
    return Dialog::showSortOptions(name, by, order, disabled);
}

QStringList checkedAndEnabled(Dialog& dialog)
{
    QStringList out;
    for (QButtonGroup* group : { dialog.sortByGroup(), dialog.sortOrderGroup() }) {
        for (QAbstractButton* button : group->buttons())
            out << QString("%1:%2%3").arg(button->text(), button->isChecked() ? "on" : "off", button->isEnabled() ? "" : ",disabled");
    }
    return out;
}

TEST(SortOptions, RawValuesNameTheirCasesAndOthersNone)
{
    EXPECT_EQ(sidebarSortByOptionFromRawValue(2), By::Title);
    EXPECT_FALSE(sidebarSortByOptionFromRawValue(4));
    EXPECT_FALSE(sidebarSortByOptionFromRawValue(-1));
    EXPECT_EQ(sidebarSortOrderOptionFromRawValue(1), Order::Ascending);
    EXPECT_FALSE(sidebarSortOrderOptionFromRawValue(2));
    EXPECT_EQ(optionName(By::UpdatedDate), "updated_date");
}

TEST(SortOptions, FavoritesDisableTheUpdateDateButAStoredDisabledKeyStillShowsOn)
{
    const auto result = run("Favorites", By::UpdatedDate, Order::Ascending, { "updated_date" }, [](Dialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Sort Options for Favorites");
        EXPECT_EQ(checkedAndEnabled(dialog), (QStringList { "Date created:off", "Date updated:on,disabled", "Title:off", "Type:off",
                                                 "Ascending:on", "Descending:off" }));
        dialog.applyButton()->click();
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(result->first, By::UpdatedDate);
    EXPECT_EQ(result->second, Order::Ascending);
}

TEST(SortOptions, TitleAndDescendingShowExactlyThoseOn)
{
    run("Shadow Notes", By::Title, Order::Descending, { "type" }, [](Dialog& dialog) {
        EXPECT_EQ(checkedAndEnabled(dialog), (QStringList { "Date created:off", "Date updated:off", "Title:on", "Type:off,disabled",
                                                 "Ascending:off", "Descending:on" }));
        dialog.cancelButton()->click();
    });
}

TEST(SortOptions, ClicksChangeTheResultAndCancelGivesNothing)
{
    const auto applied = run("Scratch Notes", By::Title, Order::Descending, {}, [](Dialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Sort Options for Scratch Notes");
        dialog.sortOrderGroup()->button(0)->click(); // ascending carries tag 0
        dialog.sortByGroup()->button(0)->click();
        dialog.applyButton()->click();
    });
    ASSERT_TRUE(applied);
    EXPECT_EQ(applied->first, By::CreatedDate);
    EXPECT_EQ(applied->second, Order::Ascending);
    EXPECT_EQ(int(*applied->second), 1);

    const auto cancelled = run("Scratch Notes", By::Title, Order::Descending, {}, [](Dialog& dialog) {
        dialog.sortByGroup()->button(3)->click();
        dialog.cancelButton()->click();
    });
    EXPECT_FALSE(cancelled);
}

} // namespace
