#include "preview/RealPreviewCellView.h"

#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>

namespace penwick {

RealPreviewCellView::RealPreviewCellView(QWidget* parent)
    : QWidget(parent)
    , m_nameLbl(new QLabel(this))
    , m_urlLbl(new QLabel(this))
    , m_classLbl(new QLabel(this))
    , m_selectedRadioBtn(new QRadioButton(this))
{
    // The rows choose among themselves through the database, not through Qt's exclusivity.
    m_selectedRadioBtn->setAutoExclusive(false);
    m_selectedRadioBtn->setToolTip(QStringLiteral("Use this site for Real Preview"));
    QFont bold = m_nameLbl->font();
    bold.setBold(true);
    m_nameLbl->setFont(bold);
    QFont small = m_urlLbl->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    m_urlLbl->setFont(small);
    m_classLbl->setFont(small);
    m_classLbl->setStyleSheet(QStringLiteral("color: palette(mid);"));
    // A click on the text selects the row in the list behind it.
    for (QLabel* label : { m_nameLbl, m_urlLbl, m_classLbl }) {
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setTextFormat(Qt::PlainText);
    }

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setVerticalSpacing(1);
    layout->addWidget(m_selectedRadioBtn, 0, 0, 3, 1, Qt::AlignVCenter);
    layout->addWidget(m_nameLbl, 0, 1);
    layout->addWidget(m_urlLbl, 1, 1);
    layout->addWidget(m_classLbl, 2, 1);
    layout->setColumnStretch(1, 1);
}

void RealPreviewCellView::bindModel(const RealPreviewItem& item)
{
    m_nameLbl->setText(item.name());
    m_urlLbl->setText(item.url());
    if (!item.headerClassName().isNull() && !item.postClassName().isNull())
        m_classLbl->setText(item.headerClassName() + QStringLiteral(" + ") + item.postClassName());
    else
        m_classLbl->setText(QString());
    m_selectedRadioBtn->setChecked(item.isSelected());
}

} // namespace penwick
