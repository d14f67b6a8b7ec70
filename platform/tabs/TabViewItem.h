#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace penwick::platform {

class TabView;

// One tab: a page (view) with a label, an icon and an edited mark, identified by an object of
// the owner's choosing.
class TabViewItem : public QObject {
    Q_OBJECT
public:
    explicit TabViewItem(QObject* identifier, QObject* parent = nullptr);

    QObject* identifier() const { return m_identifier; }
    QString label() const { return m_label; }
    void setLabel(const QString& label);
    QIcon icon() const { return m_icon; }
    void setIcon(const QIcon& icon);
    bool isEdited() const { return m_edited; }
    void setEdited(bool edited);
    QString toolTip() const { return m_toolTip; }
    void setToolTip(const QString& toolTip);
    QWidget* view() const { return m_view; }
    void setView(QWidget* view);
    // The tab view that shows the item; none while it is in no tab view.
    TabView* tabView() const;

signals:
    void changed();

private:
    friend class TabView;
    QPointer<QObject> m_identifier;
    QString m_label;
    QIcon m_icon;
    bool m_edited = false;
    QString m_toolTip;
    QPointer<QWidget> m_view;
    QPointer<TabView> m_tabView;
};

} // namespace penwick::platform
