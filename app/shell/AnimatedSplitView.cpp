#include "shell/AnimatedSplitView.h"

#include "shell/SplitViewDelegate.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QVariantAnimation>

#include <cmath>
#include <memory>

namespace penwick {

AnimatedSplitView::AnimatedSplitView(QWidget* parent)
    : AnimatedSplitView(Qt::Horizontal, parent)
{
}

AnimatedSplitView::AnimatedSplitView(Qt::Orientation orientation, QWidget* parent)
    : QSplitter(orientation, parent)
{
    connect(this, &QSplitter::splitterMoved, this, [this] { didResizeSubviews(); });
}

AnimatedSplitView::~AnimatedSplitView() = default;

QSplitterHandle* AnimatedSplitView::createHandle() { return new AnimatedSplitViewHandle(orientation(), this); }

void AnimatedSplitView::resizeEvent(QResizeEvent* event)
{
    QSplitter::resizeEvent(event);
    didResizeSubviews();
}

void AnimatedSplitView::didResizeSubviews()
{
    for (int i = 1; i < count(); ++i)
        handle(i)->update();
    emit subviewsResized();
    if (m_delegate)
        m_delegate->splitViewDidResizeSubviews(this);
}

// --- Geometry along the split axis ---

int AnimatedSplitView::subviewSize(int index) const
{
    const QList<int> all = sizes();
    return index >= 0 && index < all.size() ? all[index] : 0;
}

int AnimatedSplitView::subviewOrigin(int index) const
{
    const QList<int> all = sizes();
    int origin = pick(QSize(contentsRect().x(), contentsRect().y()));
    for (int j = 0; j < index && j < all.size(); ++j) {
        origin += all[j];
        if (j + 1 < count() && !handle(j + 1)->isHidden())
            origin += handleWidth();
    }
    return origin;
}

bool AnimatedSplitView::isSubviewCollapsed(int index) const
{
    QWidget* view = widget(index);
    return !view || view->isHidden() || subviewSize(index) == 0;
}

double AnimatedSplitView::maxPossiblePositionOfDividerAtIndex(int divider) const
{
    if (divider < 0 || divider + 1 >= count())
        return 0.0;
    int min = 0;
    int max = 0;
    getRange(divider + 1, &min, &max);
    return max;
}

double AnimatedSplitView::minPossiblePositionOfDividerAtIndex(int divider) const
{
    if (divider < 0 || divider + 1 >= count())
        return 0.0;
    int min = 0;
    int max = 0;
    getRange(divider + 1, &min, &max);
    return min;
}

double AnimatedSplitView::positionOfDividerAtIndex(int divider) const
{
    return double(subviewFarEdge(divider)) + double(divider) * dividerThickness();
}

// --- Moving dividers ---

void AnimatedSplitView::setPosition(double position, int divider)
{
    if (divider < 0 || divider + 1 >= count())
        return;
    moveSplitter(int(std::lround(position)), divider + 1);
}

void AnimatedSplitView::setPosition(double position, int divider, bool animated)
{
    if (!animated) {
        setPosition(position, divider);
        return;
    }
    if (divider < 0 || divider + 1 >= count())
        return;
    // A pane held at a fixed size would stop the move: free both neighbours along the axis.
    for (int index : { divider, divider + 1 }) {
        QWidget* view = widget(index);
        if (orientation() == Qt::Horizontal && view->minimumWidth() == view->maximumWidth()) {
            view->setMinimumWidth(0);
            view->setMaximumWidth(QWIDGETSIZE_MAX);
        } else if (orientation() == Qt::Vertical && view->minimumHeight() == view->maximumHeight()) {
            view->setMinimumHeight(0);
            view->setMaximumHeight(QWIDGETSIZE_MAX);
        }
    }
    const QString key = DIVIDER_KEY_PREFIX + QString::number(divider);
    ++m_animationCounts[divider];
    auto* animation = new QVariantAnimation(this);
    animation->setDuration(DEFAULT_ANIMATION_MS);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    animation->setStartValue(valueForKey(key).toDouble());
    animation->setEndValue(position);
    connect(animation, &QVariantAnimation::valueChanged, this,
        [this, key](const QVariant& value) { setValueForKey(key, value); });
    connect(animation, &QAbstractAnimation::finished, this, [this, divider] {
        if (--m_animationCounts[divider] <= 0)
            m_animationCounts.remove(divider);
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

int AnimatedSplitView::dividerIndexForKey(const QString& key)
{
    bool ok = false;
    const int index = key.mid(DIVIDER_KEY_PREFIX.size()).toInt(&ok);
    return ok ? index : 0;
}

QVariant AnimatedSplitView::valueForKey(const QString& key) const
{
    if (!key.startsWith(DIVIDER_KEY_PREFIX))
        return property(key.toUtf8().constData());
    return double(subviewFarEdge(dividerIndexForKey(key)));
}

void AnimatedSplitView::setValueForKey(const QString& key, const QVariant& value)
{
    if (!key.startsWith(DIVIDER_KEY_PREFIX)) {
        setProperty(key.toUtf8().constData(), value);
        return;
    }
    // A pane moved to nothing is collapsed, which takes it out of view; moved back to a
    // size, it shows again. The splitter does both itself.
    setPosition(double(value.toFloat()), dividerIndexForKey(key));
}

QPointer<QObject> AnimatedSplitView::animateDividerAtIndex(int divider,
    std::function<double(int, double)> function, std::function<bool(double)> stopCondition)
{
    struct Stepper : QTimer {
        using QTimer::QTimer;
        int step = 0;
        double position = 0.0;
    };
    auto* stepper = new Stepper(this);
    stepper->position = positionOfDividerAtIndex(divider);
    stepper->setInterval(STEPPED_ANIMATION_INTERVAL_MS);
    QPointer<AnimatedSplitView> view(this);
    connect(stepper, &QTimer::timeout, stepper, [stepper, view, divider, function, stopCondition] {
        ++stepper->step;
        stepper->position = function(stepper->step, stepper->position);
        if (stopCondition(stepper->position) || !view) {
            stepper->stop();
            stepper->deleteLater();
            return;
        }
        view->setPosition(stepper->position, divider);
        view->repaint();
        if (stepper->step >= STEPPED_ANIMATION_MAX_STEPS) {
            stepper->stop();
            stepper->deleteLater();
        }
    });
    stepper->start();
    return stepper;
}

void AnimatedSplitView::collapseForDoubleClickOnDivider(int divider)
{
    if (!m_delegate || divider < 0 || divider + 1 >= count())
        return;
    for (int index : { divider, divider + 1 }) {
        if (!m_delegate->splitViewCanCollapseSubview(this, index)
            || !m_delegate->splitViewShouldCollapseSubviewForDoubleClick(this, index, divider))
            continue;
        setPosition(index == divider ? minPossiblePositionOfDividerAtIndex(divider)
                                     : maxPossiblePositionOfDividerAtIndex(divider),
            divider);
        return;
    }
}

// --- The divider ---

AnimatedSplitViewHandle::AnimatedSplitViewHandle(Qt::Orientation orientation, AnimatedSplitView* parent)
    : QSplitterHandle(orientation, parent)
{
}

AnimatedSplitView* AnimatedSplitViewHandle::splitView() const { return static_cast<AnimatedSplitView*>(splitter()); }

int AnimatedSplitViewHandle::dividerIndex() const { return splitter()->indexOf(const_cast<AnimatedSplitViewHandle*>(this)) - 1; }

bool AnimatedSplitViewHandle::isLocked() const
{
    AnimatedSplitView* view = splitView();
    return view->delegate() && !view->delegate()->splitViewCanDragDivider(view, dividerIndex());
}

bool AnimatedSplitViewHandle::isDividerHidden() const
{
    AnimatedSplitView* view = splitView();
    return view->delegate() && view->delegate()->splitViewShouldHideDivider(view, dividerIndex());
}

void AnimatedSplitViewHandle::paintEvent(QPaintEvent* event)
{
    if (isDividerHidden())
        return;
    QSplitterHandle::paintEvent(event);
}

void AnimatedSplitViewHandle::enterEvent(QEnterEvent* event)
{
    const bool fixed = isLocked() || isDividerHidden();
    setCursor(fixed ? Qt::ArrowCursor : (orientation() == Qt::Horizontal ? Qt::SplitHCursor : Qt::SplitVCursor));
    QSplitterHandle::enterEvent(event);
}

void AnimatedSplitViewHandle::mousePressEvent(QMouseEvent* event)
{
    m_dragging = !isLocked() && !isDividerHidden();
    if (m_dragging)
        QSplitterHandle::mousePressEvent(event);
    else
        event->accept();
}

void AnimatedSplitViewHandle::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        QSplitterHandle::mouseMoveEvent(event);
    else
        event->accept();
}

void AnimatedSplitViewHandle::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_dragging)
        QSplitterHandle::mouseReleaseEvent(event);
    else
        event->accept();
    m_dragging = false;
}

void AnimatedSplitViewHandle::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    if (!isDividerHidden())
        splitView()->collapseForDoubleClickOnDivider(dividerIndex());
}

} // namespace penwick
