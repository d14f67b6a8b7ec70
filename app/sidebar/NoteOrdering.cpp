#include "sidebar/NoteOrdering.h"

#include "platform/UserDefaults.h"

#include <unicode/coll.h>
#include <unicode/unistr.h>

#include <memory>
#include <mutex>

namespace penwick {

std::optional<NoteSort> readNoteSort(const QString& sortByKey, const QString& sortOrderKey)
{
    const auto& defaults = platform::UserDefaults::standard();
    const auto by = sidebarSortByOptionFromRawValue(defaults.integerForKey(sortByKey));
    const auto order = sidebarSortOrderOptionFromRawValue(defaults.integerForKey(sortOrderKey));
    if (!by || !order)
        return std::nullopt;
    return NoteSort { *by, *order };
}

void storeNoteSort(const QString& sortByKey, const QString& sortOrderKey, const NoteSort& sort)
{
    auto& defaults = platform::UserDefaults::standard();
    defaults.setValue(sortByKey, qint64(sort.by));
    defaults.setValue(sortOrderKey, qint64(sort.order));
}

namespace {

bool isAscii(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0x7F)
            return false;
    }
    return true;
}

// The root collator, case-sensitive (tertiary strength); made once.
const icu::Collator* rootCollator()
{
    static std::unique_ptr<icu::Collator> collator;
    static std::once_flag once;
    std::call_once(once, [] {
        UErrorCode status = U_ZERO_ERROR;
        collator.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status))
            collator.reset();
        else
            collator->setStrength(icu::Collator::TERTIARY);
    });
    return collator.get();
}

} // namespace

int compareSidebarStrings(const QString& a, const QString& b)
{
    const icu::Collator* collator = rootCollator();
    if ((isAscii(a) && isAscii(b)) || !collator)
        return a.compare(b, Qt::CaseSensitive);
    const icu::UnicodeString ua(false, reinterpret_cast<const UChar*>(a.utf16()), int32_t(a.size()));
    const icu::UnicodeString ub(false, reinterpret_cast<const UChar*>(b.utf16()), int32_t(b.size()));
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult result = collator->compare(ua, ub, status);
    if (U_FAILURE(status))
        return a.compare(b, Qt::CaseSensitive);
    // Texts the collation takes as equal still need one answer: their code units decide.
    return result == UCOL_EQUAL ? a.compare(b, Qt::CaseSensitive) : int(result);
}

bool sortsBefore(const NoteSortKeys& a, const NoteSortKeys& b, const NoteSort& sort)
{
    const bool ascending = sort.order == SidebarSortOrderOption::Ascending;
    const NoteSortKeys& first = ascending ? a : b;
    const NoteSortKeys& second = ascending ? b : a;
    switch (sort.by) {
    case SidebarSortByOption::UpdatedDate:
        return first.updatedDate < second.updatedDate;
    case SidebarSortByOption::Title:
        return compareSidebarStrings(first.title.toLower(), second.title.toLower()) < 0;
    case SidebarSortByOption::Type:
        if (first.kind && second.kind)
            return *first.kind < *second.kind;
        return first.createdDate < second.createdDate;
    case SidebarSortByOption::CreatedDate:
        break;
    }
    return first.createdDate < second.createdDate;
}

} // namespace penwick
