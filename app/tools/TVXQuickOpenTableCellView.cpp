#include "tools/TVXQuickOpenTableCellView.h"

#include <QLabel>
#include <QVBoxLayout>

namespace penwick {

TVXQuickOpenTableCellView::TVXQuickOpenTableCellView(QWidget* parent) : QWidget(parent)
{
    m_textField = new QLabel(this);
    m_pathTextField = new QLabel(this);
    QFont small = m_pathTextField->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_pathTextField->setFont(small);
    m_textField->setTextFormat(Qt::PlainText);
    m_pathTextField->setTextFormat(Qt::PlainText);
    m_pathTextField->setVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->setSpacing(0);
    layout->addWidget(m_textField);
    layout->addWidget(m_pathTextField);
    setSelectedAppearance(false);
}

void TVXQuickOpenTableCellView::setSelectedAppearance(bool selected)
{
    m_selected = selected;
    const QColor title = selected ? QColor(Qt::white) : QColor(Qt::black);
    const QColor path = selected ? QColor(Qt::white) : QColor::fromRgbF(0.5, 0.5, 0.5, 1.0);
    QPalette titlePalette = m_textField->palette();
    titlePalette.setColor(QPalette::WindowText, title);
    m_textField->setPalette(titlePalette);
    QPalette pathPalette = m_pathTextField->palette();
    pathPalette.setColor(QPalette::WindowText, path);
    m_pathTextField->setPalette(pathPalette);
    m_pathTextField->setVisible(!m_pathTextField->text().isEmpty());
}

} // namespace penwick
