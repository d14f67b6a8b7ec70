#include "platform/tabs/TabViewItem.h"

#include "platform/tabs/TabView.h"

namespace penwick::platform {

TabViewItem::TabViewItem(QObject* identifier, QObject* parent) : QObject(parent), m_identifier(identifier) {}

void TabViewItem::setLabel(const QString& label)
{
    if (label == m_label)
        return;
    m_label = label;
    emit changed();
}

void TabViewItem::setIcon(const QIcon& icon)
{
    m_icon = icon;
    emit changed();
}

void TabViewItem::setEdited(bool edited)
{
    if (edited == m_edited)
        return;
    m_edited = edited;
    emit changed();
}

void TabViewItem::setToolTip(const QString& toolTip)
{
    m_toolTip = toolTip;
    emit changed();
}

TabView* TabViewItem::tabView() const
{
    return m_tabView;
}

void TabViewItem::setView(QWidget* view)
{
    m_view = view;
}

} // namespace penwick::platform
