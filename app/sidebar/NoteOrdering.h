#pragma once

#include "sidebar/SidebarSortingOptionsWindowController.h"

#include <QDateTime>
#include <QString>

#include <algorithm>
#include <optional>
#include <vector>

namespace penwick {

// The key and order a notes section sorts by, read from its two settings.
struct NoteSort {
    SidebarSortByOption by = SidebarSortByOption::CreatedDate;
    SidebarSortOrderOption order = SidebarSortOrderOption::Descending;
};

// Nothing when either stored number names no option (a missing key reads as 0).
std::optional<NoteSort> readNoteSort(const QString& sortByKey, const QString& sortOrderKey);
void storeNoteSort(const QString& sortByKey, const QString& sortOrderKey, const NoteSort& sort);

// What a row is sorted by. An absent date (invalid) is earlier than every date. `kind` orders
// the type sort where a section has kinds; without them the type sort is the created date.
struct NoteSortKeys {
    QDateTime createdDate;
    QDateTime updatedDate;
    QString title;
    std::optional<int> kind;
};

// Strings as the sidebar orders them, independent of the user's locale: byte by byte when
// both are ASCII (a prefix first, "Zeta" before "alpha"), else by ICU's root collation, case
// sensitive. Negative, zero or positive.
int compareSidebarStrings(const QString& a, const QString& b);

// Whether `a` goes before `b`. Titles are lower-cased before they are compared.
bool sortsBefore(const NoteSortKeys& a, const NoteSortKeys& b, const NoteSort& sort);

// Sorts rows by the keys each gives. The keys are taken once per row before sorting, so a
// comparison never reads anything that may change under the sort.
template <typename Row, typename KeysOf>
void sortRows(std::vector<Row>& rows, const NoteSort& sort, KeysOf keysOf)
{
    std::vector<std::pair<NoteSortKeys, Row>> keyed;
    keyed.reserve(rows.size());
    for (const Row& row : rows)
        keyed.emplace_back(keysOf(row), row);
    std::sort(keyed.begin(), keyed.end(), [&sort](const auto& a, const auto& b) { return sortsBefore(a.first, b.first, sort); });
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = std::move(keyed[i].second);
}

} // namespace penwick
