#pragma once

#include <QPointer>
#include <QWidget>

namespace penwick::platform {

// A transient panel shown beside the control that opened it, closed by a click outside or
// by Escape. Subclasses hear of each showing through the two hooks. A click on the control
// that opened it only closes it, so that a toggle button can close its own popover.
class Popover : public QWidget {
    Q_OBJECT
public:
    // Where the popover stands against its control: to the right of it, centred vertically,
    // or above it, centred horizontally (below it when there is no room above).
    enum class Edge { Right, Top };

    explicit Popover(QWidget* parent = nullptr);

    void showRelativeTo(QWidget* anchor, Edge edge = Edge::Right);
    void close() { hide(); }
    QWidget* anchor() const { return m_anchor; }

signals:
    void shown();
    void closed();

protected:
    virtual void viewWillAppear() {}
    virtual void viewDidAppear() {}
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_anchor;
};

} // namespace penwick::platform
