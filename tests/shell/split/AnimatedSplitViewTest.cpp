#include "SplitFixture.h"

#include "shell/SplitViewDelegate.h"

#include <QAbstractAnimation>
#include <QPointer>

namespace penwick::test {
namespace {

class AnimatedSplitViewTest : public SplitFixture {};

// Drives every animation of the application by hand while it lives.
class AnimationClock : public QAnimationDriver {
public:
    AnimationClock() { install(); }
    ~AnimationClock() override { uninstall(); }

    // Animations started since the last step join the clock first, through two queued calls
    // (the animation joins the animation timer, which then starts this clock), and start
    // counting at the tick that follows.
    void advanceBy(qint64 ms)
    {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        advance();
        m_elapsed += ms;
        advance();
    }
    qint64 elapsed() const override { return m_elapsed; }

private:
    qint64 m_elapsed = 0;
};

TEST_F(AnimatedSplitViewTest, DividerKeyReadsTheFarEdgeAndPositionAddsOneThicknessPerIndex)
{
    show({ 200, 494, 294 });
    EXPECT_EQ(split->valueForKey(QStringLiteral("mdp_0")).toDouble(), 200.0);
    EXPECT_EQ(split->valueForKey(QStringLiteral("mdp_1")).toDouble(), 700.0); // 200 + 6 + 494
    EXPECT_EQ(split->positionOfDividerAtIndex(0), 200.0);
    EXPECT_EQ(split->positionOfDividerAtIndex(1), 706.0);
    // What the splitter itself reports agrees with the sums.
    EXPECT_EQ(split->widget(1)->geometry().right() + 1, 700);
}

TEST_F(AnimatedSplitViewTest, SettingAKeyMovesTheDividerAndOtherKeysAreProperties)
{
    show({ 200, 494, 294 });
    split->setValueForKey(QStringLiteral("mdp_1"), 600.0);
    EXPECT_EQ(split->subviewFarEdge(1), 600);
    EXPECT_EQ(AnimatedSplitView::dividerIndexForKey(QStringLiteral("mdp_x")), 0);
    split->setValueForKey(QStringLiteral("objectName"), QStringLiteral("layout"));
    EXPECT_EQ(split->objectName(), QStringLiteral("layout"));
    EXPECT_EQ(split->valueForKey(QStringLiteral("objectName")).toString(), QStringLiteral("layout"));
}

TEST_F(AnimatedSplitViewTest, APaneMovedToNothingLeavesTheViewAndComesBackWithWidth)
{
    show({ 200, 494, 294 });
    QWidget* preview = split->widget(2);
    ASSERT_FALSE(preview->visibleRegion().isEmpty());
    split->setValueForKey(QStringLiteral("mdp_1"), split->maxPossiblePositionOfDividerAtIndex(1));
    EXPECT_TRUE(split->isSubviewCollapsed(2));
    EXPECT_TRUE(preview->visibleRegion().isEmpty());
    split->setValueForKey(QStringLiteral("mdp_1"), 600.0);
    EXPECT_FALSE(split->isSubviewCollapsed(2));
    EXPECT_EQ(split->subviewSize(2), 1000 - 600 - 6);
    EXPECT_FALSE(preview->visibleRegion().isEmpty());
}

TEST_F(AnimatedSplitViewTest, AMoveWithoutAnimationTouchesNoCountAndFreesNoFixedPane)
{
    show({ 200, 494, 294 });
    split->widget(2)->setFixedWidth(294);
    split->setPosition(650.0, 1, false);
    EXPECT_TRUE(split->animationCounts().isEmpty());
    EXPECT_FALSE(split->isAnimatingDividerAtIndex(1));
    EXPECT_EQ(split->widget(2)->minimumWidth(), 294);
    EXPECT_EQ(split->widget(2)->maximumWidth(), 294);
}

TEST_F(AnimatedSplitViewTest, AnAnimatedMoveFreesAFixedPaneAndReachesItsTarget)
{
    show({ 200, 494, 294 });
    split->widget(2)->setFixedWidth(294);
    split->setPosition(500.0, 1, true);
    EXPECT_TRUE(split->isAnimatingDividerAtIndex(1));
    EXPECT_FALSE(split->isAnimatingDividerAtIndex(0));
    EXPECT_NE(split->widget(2)->minimumWidth(), split->widget(2)->maximumWidth());
    ASSERT_TRUE(waitUntil([&] { return !split->isAnimatingDividerAtIndex(1); }));
    EXPECT_EQ(split->subviewFarEdge(1), 500);
    EXPECT_TRUE(split->animationCounts().isEmpty());
}

TEST_F(AnimatedSplitViewTest, OverlappingAnimationsKeepTheDividerAnimatingUntilBothEnd)
{
    show({ 200, 494, 294 });
    // Animation time moves only when the test says: on a busy machine a late frame of the
    // wall clock could end both animations at once.
    AnimationClock clock;
    split->setPosition(400.0, 1, true);
    clock.advanceBy(100);
    EXPECT_LT(split->subviewFarEdge(1), 690);
    split->setPosition(600.0, 1, true);
    EXPECT_EQ(split->animationCounts().value(1), 2);
    clock.advanceBy(AnimatedSplitView::DEFAULT_ANIMATION_MS - 100);
    EXPECT_EQ(split->animationCounts().value(1), 1);
    EXPECT_TRUE(split->isAnimatingDividerAtIndex(1));
    clock.advanceBy(100);
    EXPECT_FALSE(split->isAnimatingDividerAtIndex(1));
    EXPECT_EQ(split->subviewFarEdge(1), 600);
}

TEST_F(AnimatedSplitViewTest, SteppedAnimationStopsBeforeApplyingTheAcceptedPosition)
{
    show({ 200, 494, 294 });
    struct Case {
        const char* name;
        std::function<double(int, double)> function;
        std::function<bool(double)> stop;
        int expectedFarEdge;
        int expectedCalls;
    };
    const std::vector<Case> cases = {
        { "stop at step 1", [](int, double p) { return p + 50; }, [](double) { return true; }, 700, 1 },
        { "ten steps of -10", [](int, double p) { return p - 10; }, [](double p) { return p < 600; }, 600, 11 },
        { "never stops", [](int, double p) { return p; }, [](double) { return false; }, 700, 200 },
    };
    for (const Case& c : cases) {
        split->setSizes({ 200, 494, 294 });
        QApplication::processEvents();
        int calls = 0;
        QPointer<QObject> running = split->animateDividerAtIndex(
            1, [&](int step, double p) { ++calls; EXPECT_EQ(step, calls); return c.function(step, p); }, c.stop);
        ASSERT_TRUE(waitUntil([&] { return running.isNull(); })) << c.name;
        // Divider 1 starts one thickness beyond the far edge it moves.
        EXPECT_EQ(split->subviewFarEdge(1), c.expectedFarEdge + (c.expectedCalls > 1 ? 6 : 0)) << c.name;
        EXPECT_EQ(calls, c.expectedCalls) << c.name;
    }
}

TEST_F(AnimatedSplitViewTest, SteppedAnimationEndsWithTheSplitView)
{
    show({ 200, 494, 294 });
    int calls = 0;
    QPointer<QObject> running = split->animateDividerAtIndex(
        1, [&](int, double p) { ++calls; return p - 1; }, [](double) { return false; });
    ASSERT_TRUE(waitUntil([&] { return calls >= 2; }));
    delete split;
    split = nullptr;
    EXPECT_TRUE(running.isNull());
}

struct Collapsing : SplitViewDelegate {
    bool splitViewCanCollapseSubview(AnimatedSplitView*, int index) override { return index != 1; }
    bool splitViewShouldCollapseSubviewForDoubleClick(AnimatedSplitView*, int, int) override { return true; }
    int resizes = 0;
    void splitViewDidResizeSubviews(AnimatedSplitView*) override { ++resizes; }
};

TEST_F(AnimatedSplitViewTest, DoubleClickCollapsesTheSidePaneNextToTheDivider)
{
    Collapsing delegate;
    split->setDelegate(&delegate);
    show({ 200, 494, 294 });
    doubleClick(0);
    EXPECT_TRUE(split->isSubviewCollapsed(0));
    EXPECT_FALSE(split->isSubviewCollapsed(1));
    doubleClick(1);
    EXPECT_TRUE(split->isSubviewCollapsed(2));
    EXPECT_FALSE(split->isSubviewCollapsed(1));
    EXPECT_GE(delegate.resizes, 2);
    split->setDelegate(nullptr);
}

TEST_F(AnimatedSplitViewTest, WithoutADelegateADoubleClickCollapsesNothing)
{
    show({ 200, 494, 294 });
    doubleClick(0);
    EXPECT_EQ(split->sizes(), QList<int>({ 200, 494, 294 }));
}

} // namespace
} // namespace penwick::test
