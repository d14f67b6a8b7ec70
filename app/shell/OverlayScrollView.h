#pragma once

#include <QPointer>
#include <QScrollArea>

namespace penwick {

class OverlayScroller;

// A scroll area whose vertical scroller, with "enableAutoHideScrolling" on when the view is
// made, floats over the content (which keeps the full width) below the header of a table
// inside it. With the setting off it is an ordinary scroll area.
class OverlayScrollView : public QScrollArea {
    Q_OBJECT
public:
    explicit OverlayScrollView(QWidget* parent = nullptr);

    // Measures the header offset again (after the content changed).
    void awakeFromNib();
    bool isOverlayEnabled() const { return m_enable; }
    int headerOffset() const { return m_headerOffset; }
    void setHeaderOffset(int offset);
    // The height of the header of the first table inside the view, or 0 without one.
    int tableHeaderOffsetFromSuperview() const;
    // The floating scroller (null with the setting off).
    OverlayScroller* overlayScroller() const { return m_scroller; }
    // Lays the floating scroller over the content's trailing edge, on top of it.
    void tile();

    // The same floating scroller for a scroll area of another kind (a text view, a list): with
    // "enableAutoHideScrolling" on when it is called, the area's own vertical scroll bar stops
    // taking room and an overlay scroller mirrors it; none with the setting off.
    static OverlayScroller* overlayVerticalScroller(QAbstractScrollArea* area);
    static void placeScroller(QAbstractScrollArea* area, OverlayScroller* scroller, int headerOffset);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    static OverlayScroller* mirrorVerticalScrollBar(QAbstractScrollArea* area);

    bool m_enable = false;
    int m_headerOffset = 0;
    QPointer<OverlayScroller> m_scroller;
};

// A scroll area that follows the vertical position of another one and keeps its own
// horizontal position.
class SyncScrollView : public QScrollArea {
    Q_OBJECT
public:
    explicit SyncScrollView(QWidget* parent = nullptr);
    ~SyncScrollView() override;

    void setSynchronizedScrollView(QAbstractScrollArea* scrollView);
    QAbstractScrollArea* synchronizedScrollView() const { return m_synchronized; }
    void stopSynchronizing();
    void synchronizedViewContentBoundsDidChange();

private:
    QPointer<QAbstractScrollArea> m_synchronized;
    QMetaObject::Connection m_vertical;
    QMetaObject::Connection m_horizontal;
};

} // namespace penwick
