#pragma once

#include "Models/RealPreviewItem.h"

#include <QWidget>

class QLabel;
class QRadioButton;

namespace penwick {

// One row of the Real Preview pane's list: the site's name, address and classes, and the
// radio button that chooses it.
class RealPreviewCellView : public QWidget {
    Q_OBJECT
public:
    explicit RealPreviewCellView(QWidget* parent = nullptr);

    // Fills the row from the record; the classes read "<header> + <post>" only when both are
    // present.
    void bindModel(const RealPreviewItem& item);

    QLabel* nameLbl() const { return m_nameLbl; }
    QLabel* urlLbl() const { return m_urlLbl; }
    QLabel* classLbl() const { return m_classLbl; }
    QRadioButton* selectedRadioBtn() const { return m_selectedRadioBtn; }

private:
    QLabel* m_nameLbl = nullptr;
    QLabel* m_urlLbl = nullptr;
    QLabel* m_classLbl = nullptr;
    QRadioButton* m_selectedRadioBtn = nullptr;
};

} // namespace penwick
