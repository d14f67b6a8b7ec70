#pragma once

#include <QHash>
#include <QPointer>
#include <QSplitter>
#include <QSplitterHandle>
#include <QVariant>

#include <functional>

namespace penwick {

class SplitViewDelegate;

// A splitter whose dividers move at once or animated. Divider N lies between subview N and
// subview N + 1 (Qt's handle N + 1). Each divider's position is also reachable as the key
// "mdp_N", which is what the animation drives. Positions are along the split axis in the
// view's own coordinates: x for side-by-side panes, y (growing downwards, as everywhere in
// Qt) for stacked ones.
class AnimatedSplitView : public QSplitter {
    Q_OBJECT
public:
    static inline const QString DIVIDER_KEY_PREFIX = QStringLiteral("mdp_");
    // The length of an animated move, as the platform's animations take by default.
    static constexpr int DEFAULT_ANIMATION_MS = 250;
    // The stepped animation: at most this many steps, this far apart.
    static constexpr int STEPPED_ANIMATION_MAX_STEPS = 200;
    static constexpr int STEPPED_ANIMATION_INTERVAL_MS = 5;

    explicit AnimatedSplitView(QWidget* parent = nullptr);
    explicit AnimatedSplitView(Qt::Orientation orientation, QWidget* parent = nullptr);
    ~AnimatedSplitView() override;

    void setDelegate(SplitViewDelegate* delegate) { m_delegate = delegate; }
    SplitViewDelegate* delegate() const { return m_delegate; }

    int dividerThickness() const { return handleWidth(); }
    // The subview's place along the split axis: its origin and its size (0 when collapsed).
    int subviewOrigin(int index) const;
    int subviewSize(int index) const;
    int subviewFarEdge(int index) const { return subviewOrigin(index) + subviewSize(index); }
    bool isSubviewCollapsed(int index) const;
    // The largest position the divider can take, collapsing the subview after it if it may.
    double maxPossiblePositionOfDividerAtIndex(int divider) const;
    double minPossiblePositionOfDividerAtIndex(int divider) const;

    // The far edge of subview N plus N divider thicknesses.
    double positionOfDividerAtIndex(int divider) const;

    // Moves the divider's leading edge to `position`, at once.
    void setPosition(double position, int divider);
    // Moves the divider at once or animated; animated moves are counted per divider until they end.
    void setPosition(double position, int divider, bool animated);
    bool isAnimatingDividerAtIndex(int divider) const { return m_animationCounts.value(divider) > 0; }
    const QHash<int, int>& animationCounts() const { return m_animationCounts; }

    // "mdp_N" reads the far edge of subview N and moves divider N; other keys are Qt properties.
    QVariant valueForKey(const QString& key) const;
    void setValueForKey(const QString& key, const QVariant& value);
    static int dividerIndexForKey(const QString& key);

    // Steps the divider: every 5 ms, position = function(step, position), up to 200 steps,
    // ending (without applying it) at the first position the stop condition accepts. The
    // steps run on the main thread's timer and end with the split view. Answers an object
    // that lives as long as the animation runs.
    QPointer<QObject> animateDividerAtIndex(int divider, std::function<double(int step, double position)> function,
        std::function<bool(double position)> stopCondition);

    // Collapses the side of `divider` that the delegate lets a double click collapse.
    void collapseForDoubleClickOnDivider(int divider);

signals:
    void subviewsResized();

protected:
    QSplitterHandle* createHandle() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void didResizeSubviews();
    int pick(const QSize& size) const { return orientation() == Qt::Horizontal ? size.width() : size.height(); }
    int axisLength() const { return pick(contentsRect().size()); }

    SplitViewDelegate* m_delegate = nullptr;
    QHash<int, int> m_animationCounts;
};

// The divider of an AnimatedSplitView: it collapses the side pane on a double click, refuses
// drags while its divider is locked, and draws nothing while it is hidden.
class AnimatedSplitViewHandle : public QSplitterHandle {
    Q_OBJECT
public:
    AnimatedSplitViewHandle(Qt::Orientation orientation, AnimatedSplitView* parent);

    int dividerIndex() const;
    bool isLocked() const;
    bool isDividerHidden() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    AnimatedSplitView* splitView() const;
    bool m_dragging = false;
};

} // namespace penwick
