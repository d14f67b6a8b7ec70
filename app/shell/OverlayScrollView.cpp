#include "shell/OverlayScrollView.h"

#include "shell/OverlayScroller.h"

#include "platform/UserDefaults.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

namespace penwick {

OverlayScrollView::OverlayScrollView(QWidget* parent)
    : QScrollArea(parent)
{
    m_enable = platform::UserDefaults::standard().boolForKey(OverlayScroller::ENABLE_AUTO_HIDE_SCROLLING);
    if (!m_enable)
        return;
    // The content takes the whole width; the scroller floats over it and mirrors the
    // area's own (hidden) vertical scroll bar.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroller = new OverlayScroller(Qt::Vertical, this);
    QScrollBar* own = verticalScrollBar();
    connect(own, &QScrollBar::rangeChanged, m_scroller, [this](int min, int max) {
        m_scroller->setRange(min, max);
        m_scroller->setVisible(max > min);
    });
    connect(own, &QScrollBar::valueChanged, m_scroller, &QScrollBar::setValue);
    connect(m_scroller, &QScrollBar::valueChanged, own, &QScrollBar::setValue);
    connect(own, &QAbstractSlider::actionTriggered, m_scroller,
        [this] { m_scroller->setPageStep(verticalScrollBar()->pageStep()); });
    m_scroller->setRange(own->minimum(), own->maximum());
    m_scroller->setVisible(own->maximum() > own->minimum());
    m_headerOffset = tableHeaderOffsetFromSuperview();
    tile();
}

void OverlayScrollView::awakeFromNib()
{
    setHeaderOffset(tableHeaderOffsetFromSuperview());
}

void OverlayScrollView::setHeaderOffset(int offset)
{
    m_headerOffset = offset;
    tile();
}

int OverlayScrollView::tableHeaderOffsetFromSuperview() const
{
    const auto tables = viewport()->findChildren<QTableView*>();
    for (const QTableView* table : tables) {
        const QHeaderView* header = table->horizontalHeader();
        return header && !header->isHidden() ? int(header->sizeHint().height()) : 0;
    }
    return 0;
}

void OverlayScrollView::tile()
{
    if (!m_enable || !m_scroller)
        return;
    m_scroller->setPageStep(verticalScrollBar()->pageStep());
    const int width = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scroller);
    // Qt's y grows downwards: the scroller starts below the header at the top.
    const QRect area = contentsRect();
    m_scroller->setGeometry(area.right() + 1 - width, area.top() + m_headerOffset, width,
        std::max(0, area.height() - m_headerOffset));
    m_scroller->raise();
}

void OverlayScrollView::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    tile();
}

SyncScrollView::SyncScrollView(QWidget* parent)
    : QScrollArea(parent)
{
}

SyncScrollView::~SyncScrollView() { stopSynchronizing(); }

void SyncScrollView::setSynchronizedScrollView(QAbstractScrollArea* scrollView)
{
    stopSynchronizing();
    m_synchronized = scrollView;
    if (!scrollView)
        return;
    m_vertical = connect(scrollView->verticalScrollBar(), &QScrollBar::valueChanged, this,
        &SyncScrollView::synchronizedViewContentBoundsDidChange);
    m_horizontal = connect(scrollView->horizontalScrollBar(), &QScrollBar::valueChanged, this,
        &SyncScrollView::synchronizedViewContentBoundsDidChange);
}

void SyncScrollView::stopSynchronizing()
{
    disconnect(m_vertical);
    disconnect(m_horizontal);
    m_synchronized = nullptr;
}

void SyncScrollView::synchronizedViewContentBoundsDidChange()
{
    const QPoint other = m_synchronized
        ? QPoint(m_synchronized->horizontalScrollBar()->value(), m_synchronized->verticalScrollBar()->value())
        : QPoint(0, 0);
    const QPoint own(horizontalScrollBar()->value(), verticalScrollBar()->value());
    if (own != other)
        verticalScrollBar()->setValue(other.y()); // only the vertical position follows
}

} // namespace penwick
