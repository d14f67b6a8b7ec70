#include "shell/OverlayScrollView.h"

#include "shell/OverlayScroller.h"

#include "platform/UserDefaults.h"

#include <QEvent>
#include <QHeaderView>
#include <QStyle>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>

namespace penwick {

OverlayScrollView::OverlayScrollView(QWidget* parent)
    : QScrollArea(parent)
{
    m_enable = platform::UserDefaults::standard().boolForKey(OverlayScroller::ENABLE_AUTO_HIDE_SCROLLING);
    if (!m_enable)
        return;
    m_scroller = mirrorVerticalScrollBar(this);
    m_headerOffset = tableHeaderOffsetFromSuperview();
    tile();
}

OverlayScroller* OverlayScrollView::mirrorVerticalScrollBar(QAbstractScrollArea* area)
{
    // The content takes the whole width; the scroller floats over it and mirrors the
    // area's own (hidden) vertical scroll bar.
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* scroller = new OverlayScroller(Qt::Vertical, area);
    QScrollBar* own = area->verticalScrollBar();
    connect(own, &QScrollBar::rangeChanged, scroller, [scroller, own](int min, int max) {
        scroller->setRange(min, max);
        scroller->setPageStep(own->pageStep());
        scroller->setVisible(max > min);
    });
    connect(own, &QScrollBar::valueChanged, scroller, &QScrollBar::setValue);
    connect(scroller, &QScrollBar::valueChanged, own, &QScrollBar::setValue);
    connect(own, &QAbstractSlider::actionTriggered, scroller, [scroller, own] { scroller->setPageStep(own->pageStep()); });
    scroller->setRange(own->minimum(), own->maximum());
    scroller->setPageStep(own->pageStep());
    scroller->setValue(own->value());
    scroller->setVisible(own->maximum() > own->minimum());
    return scroller;
}

void OverlayScrollView::placeScroller(QAbstractScrollArea* area, OverlayScroller* scroller, int headerOffset)
{
    scroller->setPageStep(area->verticalScrollBar()->pageStep());
    const int width = area->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroller);
    // Qt's y grows downwards: the scroller starts below the header at the top.
    const QRect content = area->contentsRect();
    scroller->setGeometry(content.right() + 1 - width, content.top() + headerOffset, width,
        std::max(0, content.height() - headerOffset));
    scroller->raise();
}

namespace {

// Keeps an overlay scroller on the trailing edge of a scroll area that is not an
// OverlayScrollView (the editor's text view, the tab switcher's list).
class OverlayScrollerPlacement : public QObject {
public:
    OverlayScrollerPlacement(QAbstractScrollArea* area, OverlayScroller* scroller)
        : QObject(scroller)
        , m_area(area)
        , m_scroller(scroller)
    {
        area->installEventFilter(this);
        OverlayScrollView::placeScroller(area, scroller, 0);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_area && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest))
            OverlayScrollView::placeScroller(m_area, m_scroller, 0);
        return false;
    }

private:
    QAbstractScrollArea* m_area;
    OverlayScroller* m_scroller;
};

} // namespace

OverlayScroller* OverlayScrollView::overlayVerticalScroller(QAbstractScrollArea* area)
{
    if (!area || !platform::UserDefaults::standard().boolForKey(OverlayScroller::ENABLE_AUTO_HIDE_SCROLLING))
        return nullptr;
    OverlayScroller* scroller = mirrorVerticalScrollBar(area);
    new OverlayScrollerPlacement(area, scroller);
    return scroller;
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
    placeScroller(this, m_scroller, m_headerOffset);
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
