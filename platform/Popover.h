#pragma once

#include <QWidget>

namespace penwick::platform {

// A transient panel shown beside the control that opened it, closed by a click outside or
// by Escape. Subclasses hear of each showing through the two hooks.
class Popover : public QWidget {
    Q_OBJECT
public:
    explicit Popover(QWidget* parent = nullptr);

    // Shows the popover to the right of `anchor`, centred on it vertically, kept on its screen.
    void showRelativeTo(QWidget* anchor);
    void close() { hide(); }

signals:
    void closed();

protected:
    virtual void viewWillAppear() {}
    virtual void viewDidAppear() {}
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace penwick::platform
