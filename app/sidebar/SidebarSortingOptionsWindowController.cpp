#include "sidebar/SidebarSortingOptionsWindowController.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace penwick {

std::optional<SidebarSortByOption> sidebarSortByOptionFromRawValue(qint64 raw)
{
    if (raw < 0 || raw > 3)
        return std::nullopt;
    return SidebarSortByOption(raw);
}

std::optional<SidebarSortOrderOption> sidebarSortOrderOptionFromRawValue(qint64 raw)
{
    if (raw < 0 || raw > 1)
        return std::nullopt;
    return SidebarSortOrderOption(raw);
}

QString optionName(SidebarSortByOption option)
{
    switch (option) {
    case SidebarSortByOption::CreatedDate:
        return QStringLiteral("created_date");
    case SidebarSortByOption::UpdatedDate:
        return QStringLiteral("updated_date");
    case SidebarSortByOption::Title:
        return QStringLiteral("title");
    case SidebarSortByOption::Type:
        return QStringLiteral("type");
    }
    return QString();
}

SidebarSortingOptionsWindowController::SidebarSortingOptionsWindowController(
    std::optional<SidebarSortByOption> sortBy, std::optional<SidebarSortOrderOption> sortOrder, QWidget* parent)
    : QDialog(parent)
    , m_currentSortBy(sortBy)
    , m_currentSortOrder(sortOrder)
    , m_sortBy(new QButtonGroup(this))
    , m_sortOrder(new QButtonGroup(this))
{
    setModal(true);
    auto* keys = new QGroupBox(tr("Sort by"), this);
    auto* keyLayout = new QVBoxLayout(keys);
    const std::pair<SidebarSortByOption, QString> keyButtons[] = {
        { SidebarSortByOption::CreatedDate, tr("Date created") },
        { SidebarSortByOption::UpdatedDate, tr("Date updated") },
        { SidebarSortByOption::Title, tr("Title") },
        { SidebarSortByOption::Type, tr("Type") },
    };
    for (const auto& [option, label] : keyButtons) {
        auto* button = new QRadioButton(label, keys);
        button->setObjectName(optionName(option));
        m_sortBy->addButton(button, int(option));
        keyLayout->addWidget(button);
    }
    auto* orders = new QGroupBox(tr("Order"), this);
    auto* orderLayout = new QVBoxLayout(orders);
    auto* ascending = new QRadioButton(tr("Ascending"), orders);
    auto* descending = new QRadioButton(tr("Descending"), orders);
    m_sortOrder->addButton(ascending, 0);
    m_sortOrder->addButton(descending, 1);
    orderLayout->addWidget(ascending);
    orderLayout->addWidget(descending);

    auto* cancel = new QPushButton(tr("Cancel"), this);
    auto* apply = new QPushButton(tr("Apply"), this);
    apply->setDefault(true);
    m_apply = apply;
    m_cancel = cancel;

    auto* groups = new QHBoxLayout;
    groups->addWidget(keys);
    groups->addWidget(orders);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(apply);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(buttons);

    // Shows the state given, when both parts are known.
    if (m_currentSortBy && m_currentSortOrder) {
        for (QAbstractButton* button : m_sortBy->buttons())
            button->setChecked(m_sortBy->id(button) == int(*m_currentSortBy));
        ascending->setChecked(*m_currentSortOrder == SidebarSortOrderOption::Ascending);
        descending->setChecked(*m_currentSortOrder == SidebarSortOrderOption::Descending);
    }

    connect(m_sortBy, &QButtonGroup::idClicked, this, &SidebarSortingOptionsWindowController::changeSortBy);
    connect(m_sortOrder, &QButtonGroup::idClicked, this, &SidebarSortingOptionsWindowController::changeSortOrder);
    connect(apply, &QPushButton::clicked, this, [this] { applyOrCancel(1); });
    connect(cancel, &QPushButton::clicked, this, [this] { applyOrCancel(0); });
}

void SidebarSortingOptionsWindowController::changeSortBy(int tag)
{
    m_currentSortBy = sidebarSortByOptionFromRawValue(tag);
}

void SidebarSortingOptionsWindowController::changeSortOrder(int tag)
{
    m_currentSortOrder = tag == 0 ? SidebarSortOrderOption::Ascending : SidebarSortOrderOption::Descending;
}

void SidebarSortingOptionsWindowController::applyOrCancel(int tag)
{
    done(tag);
}

void SidebarSortingOptionsWindowController::disableOptions(const QStringList& names)
{
    for (QAbstractButton* button : m_sortBy->buttons())
        button->setEnabled(!names.contains(button->objectName()));
}

std::optional<SidebarSortingOptionsWindowController::Result> SidebarSortingOptionsWindowController::showSortOptions(
    const QString& sectionName, SidebarSortByOption sortBy, SidebarSortOrderOption sortOrder, const QStringList& disabledOptions)
{
    SidebarSortingOptionsWindowController dialog(sortBy, sortOrder);
    dialog.setWindowTitle(QStringLiteral("Sort Options for ") + sectionName);
    dialog.disableOptions(disabledOptions);
    if (dialog.exec() != 1)
        return std::nullopt;
    return Result { dialog.m_currentSortBy, dialog.m_currentSortOrder };
}

} // namespace penwick
