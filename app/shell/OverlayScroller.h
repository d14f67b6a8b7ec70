#pragma once

#include "platform/Clock.h"

#include <QScrollBar>

namespace penwick {

// A scroll bar that, with "enableAutoHideScrolling" on, draws only its knob and fades out
// 1.5 s after the last scroll (over 0.3 s); the pointer over it brings it back. With the
// setting off it is an ordinary scroll bar. The setting is read when the scroller is made.
class OverlayScroller : public QScrollBar {
    Q_OBJECT
public:
    static inline const QString ENABLE_AUTO_HIDE_SCROLLING = QStringLiteral("enableAutoHideScrolling");
    static constexpr int FADE_DELAY_MS = 1500;
    static constexpr int FADE_OUT_MS = 300;
    static constexpr int FADE_IN_MS = 100;
    // How long the knob takes to come back when scrolled, as the platform animates by default.
    static constexpr int SHOW_MS = 250;

    explicit OverlayScroller(Qt::Orientation orientation, QWidget* parent = nullptr, platform::Clock* clock = nullptr);

    bool isOverlayEnabled() const { return m_enable; }
    // The knob's opacity now, 0 to 1 (always 1 with the setting off).
    double alphaValue() const;
    void fadeOut();
    // The width the scroller takes from its scroll view's content: none.
    static int zeroWidth() { return 0; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void sliderChange(SliderChange change) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void commonInitializer();
    void animateAlpha(double to, int milliseconds);
    void tick();

    platform::Clock* m_clock;
    bool m_enable = false;
    double m_fromAlpha = 1.0;
    double m_toAlpha = 1.0;
    qint64 m_animationStart = 0;
    int m_animationLength = 0;
    platform::ScheduledCall m_pendingFadeOut;
    platform::ScheduledCall m_nextTick;
};

} // namespace penwick
