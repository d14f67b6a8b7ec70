// Date ordering, the sidebar's string order and the note sort as functions.
#include "platform/UserDefaults.h"
#include "common/Prefs.h"
#include "sidebar/NoteOrdering.h"

#include <QTimeZone>

#include <gtest/gtest.h>

using namespace penwick;
using By = SidebarSortByOption;
using Order = SidebarSortOrderOption;

namespace {

TEST(DateOrdering, OneInstantInTwoZonesIsEqualAndOneSecondApartIsOrdered)
{
    const QDateTime utc(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
    const QDateTime paris(QDate(2024, 5, 1), QTime(14, 0), QTimeZone("Europe/Paris"));
    EXPECT_FALSE(utc < paris);
    EXPECT_FALSE(utc > paris);
    EXPECT_TRUE(utc <= paris);
    EXPECT_TRUE(utc >= paris);
    EXPECT_TRUE(utc == paris);

    const QDateTime later = utc.addSecs(1);
    EXPECT_TRUE(utc < later);
    EXPECT_TRUE(utc <= later);
    EXPECT_FALSE(utc > later);
    EXPECT_FALSE(utc >= later);
    EXPECT_FALSE(utc == later);

    const QList<QDateTime> dates { utc, paris, later, utc.addDays(-3), QDateTime() };
    for (const QDateTime& a : dates) {
        for (const QDateTime& b : dates)
            EXPECT_EQ(a < b, b > a);
    }
    // An absent date is the earliest.
    EXPECT_TRUE(QDateTime() < utc.addYears(-100));
}

TEST(NoteOrdering, AsciiIsComparedByBytesAndOtherTextByTheRootCollation)
{
    EXPECT_LT(compareSidebarStrings("Zeta", "alpha"), 0);
    EXPECT_LT(compareSidebarStrings("note", "notes"), 0);
    EXPECT_EQ(compareSidebarStrings("same", "same"), 0);
    // Not ASCII: a collation that ignores the user's locale, accents after base letters.
    EXPECT_LT(compareSidebarStrings("école", "ecrire"), 0);
    EXPECT_LT(compareSidebarStrings("Äpfel", "Birnen"), 0);
    EXPECT_GT(compareSidebarStrings("Birnen", "Äpfel"), 0);
}

TEST(NoteOrdering, TheComparatorFollowsKeyAndOrder)
{
    const QDateTime t0(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC);
    const NoteSortKeys older { t0, t0.addDays(5), "banana", 3 };
    const NoteSortKeys newer { t0.addDays(1), t0.addDays(2), "Apple", 0 };
    struct Case {
        By by;
        Order order;
        bool olderFirst;
    };
    for (const Case& c : QList<Case> { { By::CreatedDate, Order::Ascending, true }, { By::CreatedDate, Order::Descending, false },
             { By::UpdatedDate, Order::Ascending, false }, { By::UpdatedDate, Order::Descending, true },
             { By::Title, Order::Ascending, false }, { By::Title, Order::Descending, true },
             { By::Type, Order::Ascending, false }, { By::Type, Order::Descending, true } }) {
        const NoteSort sort { c.by, c.order };
        EXPECT_EQ(sortsBefore(older, newer, sort), c.olderFirst) << int(c.by) << int(c.order);
        EXPECT_EQ(sortsBefore(newer, older, sort), !c.olderFirst) << int(c.by) << int(c.order);
    }
    // Without kinds the type sort is the created date.
    const NoteSortKeys a { t0, t0, "x", std::nullopt };
    const NoteSortKeys b { t0.addSecs(1), t0, "x", std::nullopt };
    EXPECT_TRUE(sortsBefore(a, b, { By::Type, Order::Ascending }));
    // Titles differing only in case are equal.
    const NoteSortKeys upper { t0, t0, "APPLE", std::nullopt };
    const NoteSortKeys lower { t0, t0, "apple", std::nullopt };
    EXPECT_FALSE(sortsBefore(upper, lower, { By::Title, Order::Ascending }));
    EXPECT_FALSE(sortsBefore(lower, upper, { By::Title, Order::Ascending }));
}

TEST(NoteOrdering, StoredSettingsNameASortOrNothing)
{
    auto& defaults = platform::UserDefaults::standard();
    const QString by = Prefs::SORTING_SCRATCH_BY;
    const QString order = Prefs::SORTING_SCRATCH_ORDER;
    defaults.removeObject(by);
    defaults.removeObject(order);
    const auto none = readNoteSort(by, order);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->by, By::CreatedDate);
    EXPECT_EQ(none->order, Order::Descending);
    defaults.setValue(by, 3);
    EXPECT_EQ(readNoteSort(by, order)->by, By::Type);
    defaults.setValue(by, 7);
    EXPECT_FALSE(readNoteSort(by, order));
    defaults.setValue(by, 2);
    defaults.setValue(order, 5);
    EXPECT_FALSE(readNoteSort(by, order));
    storeNoteSort(by, order, { By::Title, Order::Ascending });
    EXPECT_EQ(defaults.integerForKey(by), 2);
    EXPECT_EQ(defaults.integerForKey(order), 1);
    defaults.removeObject(by);
    defaults.removeObject(order);
}

} // namespace
