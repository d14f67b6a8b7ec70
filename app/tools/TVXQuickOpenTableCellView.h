#pragma once

#include <QWidget>

class QLabel;

namespace penwick {

// A result row of Quick Open and of the tab switcher: a title line and a path line.
class TVXQuickOpenTableCellView : public QWidget {
    Q_OBJECT
public:
    explicit TVXQuickOpenTableCellView(QWidget* parent = nullptr);

    QLabel* textField() const { return m_textField; }
    QLabel* pathTextField() const { return m_pathTextField; }
    // Selected rows draw both lines white; others a black title and a mid-grey path.
    void setSelectedAppearance(bool selected);
    bool hasSelectedAppearance() const { return m_selected; }

private:
    QLabel* m_textField;
    QLabel* m_pathTextField;
    bool m_selected = false;
};

} // namespace penwick
