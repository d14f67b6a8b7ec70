#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

class QAbstractButton;
class QButtonGroup;

namespace penwick {

// The key the note sections sort by; the raw value is what they store.
enum class SidebarSortByOption { CreatedDate = 0, UpdatedDate = 1, Title = 2, Type = 3 };
// The order; descending is 0 and ascending 1.
enum class SidebarSortOrderOption { Descending = 0, Ascending = 1 };

std::optional<SidebarSortByOption> sidebarSortByOptionFromRawValue(qint64 raw);
std::optional<SidebarSortOrderOption> sidebarSortOrderOptionFromRawValue(qint64 raw);
// "created_date", "updated_date", "title", "type".
QString optionName(SidebarSortByOption option);

// The modal dialog in which a note section's sort key and order are chosen. The
// buttons carry their meaning in their ids: a key's raw value; 0 for ascending and
// anything else for descending; 1 to apply and anything else to cancel.
class SidebarSortingOptionsWindowController : public QDialog {
    Q_OBJECT
public:
    using Result = std::pair<std::optional<SidebarSortByOption>, std::optional<SidebarSortOrderOption>>;

    SidebarSortingOptionsWindowController(std::optional<SidebarSortByOption> sortBy, std::optional<SidebarSortOrderOption> sortOrder,
        QWidget* parent = nullptr);

    // The key and order at the moment the dialog was applied; nothing when cancelled.
    static std::optional<Result> showSortOptions(const QString& sectionName, SidebarSortByOption sortBy,
        SidebarSortOrderOption sortOrder, const QStringList& disabledOptions = {});

    std::optional<SidebarSortByOption> currentSortBy() const { return m_currentSortBy; }
    std::optional<SidebarSortOrderOption> currentSortOrder() const { return m_currentSortOrder; }
    QButtonGroup* sortByGroup() const { return m_sortBy; }
    QButtonGroup* sortOrderGroup() const { return m_sortOrder; }
    QAbstractButton* applyButton() const { return m_apply; }
    QAbstractButton* cancelButton() const { return m_cancel; }

    void changeSortBy(int tag);
    void changeSortOrder(int tag);
    void applyOrCancel(int tag);
    // Disables the key buttons named in the list.
    void disableOptions(const QStringList& names);

private:
    std::optional<SidebarSortByOption> m_currentSortBy;
    std::optional<SidebarSortOrderOption> m_currentSortOrder;
    QButtonGroup* m_sortBy;
    QButtonGroup* m_sortOrder;
    QAbstractButton* m_apply;
    QAbstractButton* m_cancel;
};

} // namespace penwick
