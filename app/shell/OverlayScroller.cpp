#include "shell/OverlayScroller.h"

#include "platform/UserDefaults.h"

#include <QPainter>
#include <QStyleOptionSlider>

#include <algorithm>

namespace penwick {

namespace {
constexpr int kFrameMs = 16;
}

OverlayScroller::OverlayScroller(Qt::Orientation orientation, QWidget* parent, platform::Clock* clock)
    : QScrollBar(orientation, parent)
    , m_clock(clock ? clock : &platform::Clock::system())
{
    commonInitializer();
}

void OverlayScroller::commonInitializer()
{
    m_enable = platform::UserDefaults::standard().boolForKey(ENABLE_AUTO_HIDE_SCROLLING);
    if (m_enable) {
        // Entering, leaving and moving over the scroller change its opacity.
        setMouseTracking(true);
        setAttribute(Qt::WA_Hover);
        setAttribute(Qt::WA_TranslucentBackground);
    }
}

double OverlayScroller::alphaValue() const
{
    if (!m_enable)
        return 1.0;
    if (m_animationLength <= 0)
        return m_toAlpha;
    const double t = std::clamp(double(m_clock->now() - m_animationStart) / m_animationLength, 0.0, 1.0);
    return m_fromAlpha + (m_toAlpha - m_fromAlpha) * t;
}

void OverlayScroller::animateAlpha(double to, int milliseconds)
{
    m_fromAlpha = alphaValue();
    m_toAlpha = to;
    m_animationStart = m_clock->now();
    m_animationLength = milliseconds;
    m_nextTick.cancel();
    tick();
}

void OverlayScroller::tick()
{
    update();
    if (m_animationLength > 0 && m_clock->now() < m_animationStart + m_animationLength)
        m_nextTick = m_clock->schedule(kFrameMs, this, [this] { tick(); });
}

void OverlayScroller::fadeOut() { animateAlpha(0.0, FADE_OUT_MS); }

void OverlayScroller::sliderChange(SliderChange change)
{
    QScrollBar::sliderChange(change);
    if (!m_enable || change != SliderValueChange)
        return;
    animateAlpha(1.0, SHOW_MS);
    m_pendingFadeOut.cancel();
    m_pendingFadeOut = m_clock->schedule(FADE_DELAY_MS, this, [this] { fadeOut(); });
}

void OverlayScroller::enterEvent(QEnterEvent* event)
{
    QScrollBar::enterEvent(event);
    if (!m_enable)
        return;
    animateAlpha(1.0, FADE_IN_MS);
    m_pendingFadeOut.cancel();
}

void OverlayScroller::mouseMoveEvent(QMouseEvent* event)
{
    QScrollBar::mouseMoveEvent(event);
    if (!m_enable)
        return;
    animateAlpha(1.0, 0);
}

void OverlayScroller::leaveEvent(QEvent* event)
{
    QScrollBar::leaveEvent(event);
    if (m_enable)
        fadeOut();
}

void OverlayScroller::paintEvent(QPaintEvent* event)
{
    if (!m_enable) {
        QScrollBar::paintEvent(event);
        return;
    }
    const double alpha = alphaValue();
    if (alpha <= 0.0)
        return;
    QPainter painter(this);
    painter.setOpacity(alpha);
    QStyleOptionSlider option;
    initStyleOption(&option);
    // The knob alone: no track, no arrows.
    option.subControls = QStyle::SC_ScrollBarSlider;
    style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
}

} // namespace penwick
