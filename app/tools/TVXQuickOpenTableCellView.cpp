#include "tools/TVXQuickOpenTableCellView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace penwick {

TVXQuickOpenTableCellView::TVXQuickOpenTableCellView(QWidget* parent) : QWidget(parent)
{
    m_textField = new QLabel(this);
    m_imageView = new QLabel(this);
    m_pathTextField = new QLabel(this);
    QFont small = m_pathTextField->font();
    small.setPointSizeF(small.pointSizeF() * PathFontScale);
    m_pathTextField->setFont(small);
    m_textField->setTextFormat(Qt::PlainText);
    m_pathTextField->setTextFormat(Qt::PlainText);
    m_pathTextField->setVisible(false);
    m_imageView->setFixedSize(IconSize, IconSize);
    m_imageView->setVisible(false);
    auto* lines = new QVBoxLayout;
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(0);
    lines->addWidget(m_textField);
    lines->addWidget(m_pathTextField);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(HorizontalMargin, VerticalMargin, HorizontalMargin, VerticalMargin);
    layout->setSpacing(Spacing);
    layout->addWidget(m_imageView, 0, Qt::AlignVCenter);
    layout->addLayout(lines, 1);
    setSelectedAppearance(false);
}

QString TVXQuickOpenTableCellView::highlightedHtml(const QString& name, const QList<QuickOpenTextRange>& ranges, const QColor& highlight)
{
    const QString background = QStringLiteral("rgba(%1,%2,%3,%4%)")
                                   .arg(highlight.red())
                                   .arg(highlight.green())
                                   .arg(highlight.blue())
                                   .arg(qRound(highlight.alphaF() * 100));
    // Rich text keeps runs of spaces only under "pre".
    QString html = QStringLiteral("<span style=\"white-space:pre\">");
    int at = 0;
    for (const QuickOpenTextRange& range : ranges) {
        if (range.start < at || range.length <= 0 || range.start + range.length > name.size())
            continue;
        html += name.mid(at, range.start - at).toHtmlEscaped();
        html += QStringLiteral("<span style=\"background-color:%1\">").arg(background);
        html += name.mid(range.start, range.length).toHtmlEscaped();
        html += QStringLiteral("</span>");
        at = range.start + range.length;
    }
    html += name.mid(at).toHtmlEscaped() + QStringLiteral("</span>");
    return html;
}

void TVXQuickOpenTableCellView::setHighlightedText(const QString& name, const QList<QuickOpenTextRange>& ranges, const QColor& highlight)
{
    if (ranges.isEmpty()) {
        m_textField->setTextFormat(Qt::PlainText);
        m_textField->setText(name);
        return;
    }
    m_textField->setTextFormat(Qt::RichText);
    m_textField->setText(highlightedHtml(name, ranges, highlight));
}

void TVXQuickOpenTableCellView::setIcon(const QIcon& icon)
{
    if (icon.isNull()) {
        m_imageView->clear();
        m_imageView->setVisible(false);
        return;
    }
    m_imageView->setPixmap(icon.pixmap(IconSize, IconSize));
    m_imageView->setVisible(true);
}

void TVXQuickOpenTableCellView::setSelectedAppearance(bool selected)
{
    m_selected = selected;
    const QColor title = selected ? QColor(Qt::white) : QColor(Qt::black);
    const QColor path = selected ? QColor(Qt::white) : QColor::fromRgbF(0.5, 0.5, 0.5, 1.0);
    QPalette titlePalette = m_textField->palette();
    titlePalette.setColor(QPalette::WindowText, title);
    titlePalette.setColor(QPalette::Text, title);
    m_textField->setPalette(titlePalette);
    QPalette pathPalette = m_pathTextField->palette();
    pathPalette.setColor(QPalette::WindowText, path);
    m_pathTextField->setPalette(pathPalette);
    m_pathTextField->setVisible(!m_pathTextField->text().isEmpty());
}

} // namespace penwick
