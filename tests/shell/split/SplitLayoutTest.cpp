#include "SplitFixture.h"

#include "FakeClock.h"
#include "common/Notifications.h"
#include "shell/TVXWindowSplitViewController.h"

#include "platform/NotificationCenter.h"

#include <QAction>
#include <QPushButton>
#include <QTabBar>

namespace penwick::test {
namespace {

using Action = TVXWindowSplitViewController::Action;

class SplitLayoutTest : public SplitFixture {
protected:
    void SetUp() override
    {
        SplitFixture::SetUp();
        controller = std::make_unique<TVXWindowSplitViewController>();
        navigatorButton = new QPushButton(window.get());
        previewButton = new QPushButton(window.get());
        for (QWidget*& bar : bars) {
            bar = new QWidget(window.get());
            bar->setFixedHeight(22);
        }
        controller->setWindowSplitView(split);
        controller->setNavigatorToggleBtn(navigatorButton);
        controller->setPreviewToggleBtn(previewButton);
        controller->setBars(bars[0], bars[1], bars[2], bars[3]);
        controller->setParentWindow(window.get());
        controller->setClock(&clock);
        posts = platform::NotificationCenter::defaultCenter().observe(
            Notifications::SPLIT_VIEW_STATE_CHANGED, controller.get(), [this](const auto&) { ++postCount; });
    }

    void start(const QList<int>& sizes)
    {
        show(sizes);
        controller->awakeFromNib();
    }

    void waitForAnimations()
    {
        ASSERT_TRUE(waitUntil([&] { return !split->isAnimatingDividerAtIndex(0) && !split->isAnimatingDividerAtIndex(1); }));
    }

    FakeClock clock;
    std::unique_ptr<TVXWindowSplitViewController> controller;
    QPushButton* navigatorButton = nullptr;
    QPushButton* previewButton = nullptr;
    QWidget* bars[4] = {};
    int postCount = 0;
    platform::Observation posts;
};

TEST_F(SplitLayoutTest, SetUpRemembersShownPanesAndDefaultsForCollapsedOnes)
{
    start({ 200, 494, 294 });
    EXPECT_EQ(controller->navigatorViewPosition(), 200.0);
    EXPECT_EQ(controller->previewViewPosition(), split->maxPossiblePositionOfDividerAtIndex(1));
    EXPECT_TRUE(navigatorButton->isChecked());
    EXPECT_TRUE(previewButton->isChecked());
    EXPECT_EQ(controller->editorView(), split->widget(1));
}

TEST_F(SplitLayoutTest, FirstShowsUse250AndHalfTheWindowWidth)
{
    start({ 0, 994, 0 });
    EXPECT_EQ(controller->currentNavigatorPaneState(), 0);
    EXPECT_EQ(controller->currentPreviewPaneState(), 0);
    EXPECT_FALSE(navigatorButton->isChecked());
    controller->setNavigatorState(1, false);
    EXPECT_EQ(split->subviewSize(0), 250);
    controller->setPreviewState(1, false);
    EXPECT_EQ(split->subviewFarEdge(1), window->frameGeometry().width() / 2);
    EXPECT_TRUE(navigatorButton->isChecked());
    EXPECT_TRUE(previewButton->isChecked());
}

TEST_F(SplitLayoutTest, TogglingToTheCurrentStateChangesNothing)
{
    start({ 200, 494, 294 });
    const QList<int> before = split->sizes();
    const int postsBefore = postCount;
    controller->setNavigatorState(1);
    controller->setPreviewState(1);
    EXPECT_FALSE(split->isAnimatingDividerAtIndex(0));
    EXPECT_FALSE(split->isAnimatingDividerAtIndex(1));
    EXPECT_EQ(split->sizes(), before);
    EXPECT_EQ(controller->navigatorViewPosition(), 200.0);
    EXPECT_EQ(postCount, postsBefore);
}

TEST_F(SplitLayoutTest, CollapseThenShowReturnsToTheRememberedPosition)
{
    start({ 180, 514, 294 });
    controller->toggleNavigator();
    waitForAnimations();
    EXPECT_EQ(controller->currentNavigatorPaneState(), 0);
    EXPECT_EQ(controller->navigatorViewPosition(), 180.0);
    EXPECT_FALSE(navigatorButton->isChecked());
    controller->toggleNavigator();
    waitForAnimations();
    EXPECT_EQ(split->subviewSize(0), 180);

    controller->setPreviewState(0, false);
    EXPECT_EQ(controller->currentPreviewPaneState(), 0);
    controller->setPreviewState(1, false);
    // The remembered position is the divider's, one thickness beyond the editor's far edge.
    EXPECT_EQ(split->subviewFarEdge(1), 700 + 6);
}

TEST_F(SplitLayoutTest, ShowOnlyEditorCollapsesBothSidesAndTheEditorNeverCollapses)
{
    start({ 200, 494, 294 });
    controller->showOnlyEditor();
    waitForAnimations();
    EXPECT_EQ(controller->currentNavigatorPaneState(), 0);
    EXPECT_EQ(controller->currentPreviewPaneState(), 0);
    EXPECT_FALSE(controller->splitViewCanCollapseSubview(split, 1));
    EXPECT_TRUE(controller->splitViewCanCollapseSubview(split, 0));
    EXPECT_TRUE(controller->splitViewCanCollapseSubview(split, 2));
    split->setPosition(1000.0, 0);
    EXPECT_FALSE(split->isSubviewCollapsed(1));
    EXPECT_GE(split->subviewSize(1), 100);
}

TEST_F(SplitLayoutTest, ADisabledPreviewLocksItsDividerAndItsCommands)
{
    start({ 200, 494, 294 });
    controller->disablePreviewPanel();
    EXPECT_EQ(controller->currentPreviewPaneState(), 0);
    EXPECT_FALSE(controller->validateMenuItem(Action::TogglePreview));
    EXPECT_FALSE(controller->validateMenuItem(Action::MakePreviewAndEditorSizeEqual));
    EXPECT_TRUE(controller->validateMenuItem(Action::ToggleNavigator));
    EXPECT_TRUE(controller->validateMenuItem(Action::ShowOnlyEditor));
    EXPECT_TRUE(controller->validateMenuItem(Action::Other));
    EXPECT_FALSE(controller->action(Action::TogglePreview)->isEnabled());
    EXPECT_FALSE(previewButton->isEnabled());
    EXPECT_FALSE(controller->splitViewCanDragDivider(split, 1));
    EXPECT_TRUE(controller->splitViewCanDragDivider(split, 0));

    const QList<int> before = split->sizes();
    drag(1, { -40, -80 });
    EXPECT_EQ(split->sizes(), before);

    controller->enablePreviewPanel();
    EXPECT_EQ(controller->currentPreviewPaneState(), 1);
    EXPECT_TRUE(controller->action(Action::TogglePreview)->isEnabled());
    EXPECT_TRUE(previewButton->isEnabled());
}

TEST_F(SplitLayoutTest, APanelDisabledWhileCollapsedStaysCollapsedWhenEnabled)
{
    start({ 0, 700, 294 });
    controller->disableNavigatorPanel();
    controller->enableNavigatorPanel();
    EXPECT_EQ(controller->currentNavigatorPaneState(), 0);
    EXPECT_TRUE(navigatorButton->isEnabled());
}

TEST_F(SplitLayoutTest, DraggingADividerPostsOnEveryStep)
{
    start({ 200, 494, 294 });
    const int before = postCount;
    drag(1, { -10, -20, -30, -40 });
    EXPECT_EQ(postCount - before, 4);
    EXPECT_EQ(split->subviewFarEdge(1), 660);
    window->resize(1100, 600);
    split->resize(1100, 600);
    EXPECT_EQ(postCount - before, 5);
}

TEST_F(SplitLayoutTest, LeavingDistractionFreeModeShowsTheNavigatorNowAndThePreviewASecondLater)
{
    start({ 200, 494, 294 });
    controller->enterDistractionFreeMode();
    EXPECT_TRUE(controller->isInDFM());
    EXPECT_EQ(controller->currentNavigatorPaneState(), 0);
    EXPECT_EQ(controller->currentPreviewPaneState(), 0);
    EXPECT_TRUE(controller->splitViewShouldHideDivider(split, 0));
    for (QWidget* bar : bars)
        EXPECT_EQ(bar->height(), 0);

    controller->exitDistractionFreeMode();
    EXPECT_FALSE(controller->isInDFM());
    EXPECT_EQ(controller->currentNavigatorPaneState(), 1);
    EXPECT_EQ(split->subviewSize(0), 200);
    EXPECT_EQ(controller->currentPreviewPaneState(), 0);
    for (QWidget* bar : bars)
        EXPECT_EQ(bar->maximumHeight(), 22);
    clock.advance(999);
    EXPECT_EQ(controller->currentPreviewPaneState(), 0);
    EXPECT_FALSE(controller->isPreviewPanelEnabled());
    clock.advance(1);
    EXPECT_EQ(controller->currentPreviewPaneState(), 1);
    EXPECT_TRUE(controller->isPreviewPanelEnabled());
}

TEST_F(SplitLayoutTest, DistractionFreeModeBringsBackOnlyThePanesThatWereShown)
{
    start({ 200, 794, 0 });
    controller->enterDistractionFreeMode();
    controller->exitDistractionFreeMode();
    clock.advance(1000);
    EXPECT_EQ(controller->currentNavigatorPaneState(), 1);
    EXPECT_EQ(controller->currentPreviewPaneState(), 0);
    EXPECT_TRUE(controller->isPreviewPanelEnabled());
}

TEST_F(SplitLayoutTest, TheBarsFlattenInTheModeAndGetTheirOwnHeightsBack)
{
    // A tab bar that is empty at set-up and gets its tab (and so its height) afterwards.
    auto* tabBar = new QTabBar(window.get());
    controller->setBars(bars[0], bars[1], bars[2], tabBar);
    start({ 200, 494, 294 });
    tabBar->addTab(QStringLiteral("doc.md"));
    tabBar->show();
    const int tabBarHeight = tabBar->sizeHint().height();
    ASSERT_GT(tabBarHeight, 10);
    const QSize tabBarLimits(tabBar->minimumHeight(), tabBar->maximumHeight());

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        controller->enterDistractionFreeMode();
        for (QWidget* bar : { bars[0], bars[1], bars[2], static_cast<QWidget*>(tabBar) })
            EXPECT_EQ(bar->maximumHeight(), 0);
        controller->exitDistractionFreeMode();
        for (QWidget* bar : { bars[0], bars[1], bars[2] }) {
            EXPECT_EQ(bar->minimumHeight(), 22);
            EXPECT_EQ(bar->maximumHeight(), 22);
        }
        EXPECT_EQ(QSize(tabBar->minimumHeight(), tabBar->maximumHeight()), tabBarLimits);
        tabBar->adjustSize();
        EXPECT_EQ(tabBar->height(), tabBarHeight) << "the tabs show again";
    }
}

TEST_F(SplitLayoutTest, APreviewDueFromLeavingTheModeDoesNotReturnInsideItAgain)
{
    start({ 200, 494, 294 });
    controller->enterDistractionFreeMode();
    controller->exitDistractionFreeMode();
    controller->enterDistractionFreeMode();
    clock.advance(2000);
    EXPECT_EQ(controller->currentPreviewPaneState(), 0);
    EXPECT_FALSE(controller->isPreviewPanelEnabled());
}

TEST_F(SplitLayoutTest, EqualSizesSplitTheRoomBetweenEditorAndPreview)
{
    start({ 200, 594, 194 });
    controller->makePreviewAndEditorSizeEqual();
    waitForAnimations();
    // a = 206 - 6, b = 1000 - 6: the divider goes to their middle.
    EXPECT_EQ(split->subviewFarEdge(1), 597);
}

TEST(SplitRatio, TheKeptRatioMeasuresFromTheEditorsLeadingEdge)
{
    struct Case {
        double a, b, r, expected;
    };
    const Case cases[] = {
        { 0, 1000, 0.5, 500 },
        { 0, 1000, 0.3, 300 },
        { 250, 1250, 0.5, 750 },
        { 250, 1250, 0.25, 500 },
        { 250, 1250, 0.0, 250 },
        { 250, 1250, 1.0, 1250 },
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(TVXWindowSplitViewController::dividerPositionForRatio(c.a, c.b, c.r), c.expected)
            << c.a << " " << c.b << " " << c.r;
}

TEST_F(SplitLayoutTest, FullScreenKeepsTheEditorShareWithTheNavigatorShown)
{
    start({ 200, 294, 494 });
    controller->willEnterFullScreen();
    const double ratio = controller->editorPreviewRatio();
    EXPECT_NEAR(ratio, 294.0 / (294 + 494 - 12), 1e-9);
    window->resize(1600, 600);
    split->resize(1600, 600);
    QApplication::processEvents();
    controller->enterFullScreen();
    waitForAnimations();
    const double editor = split->subviewSize(1);
    const double preview = split->subviewSize(2);
    EXPECT_NEAR(editor / (editor + preview - 12), ratio, 0.02);
}

TEST_F(SplitLayoutTest, FullScreenLeavesACollapsedPreviewOrDistractionFreeModeAlone)
{
    start({ 200, 794, 0 });
    controller->willEnterFullScreen();
    const QList<int> before = split->sizes();
    controller->enterFullScreen();
    EXPECT_FALSE(split->isAnimatingDividerAtIndex(1));
    EXPECT_EQ(split->sizes(), before);

    controller->setPreviewState(1, false);
    controller->enterDistractionFreeMode();
    const QList<int> inMode = split->sizes();
    controller->exitFullScreen();
    EXPECT_FALSE(split->isAnimatingDividerAtIndex(1));
    EXPECT_EQ(split->sizes(), inMode);
}

TEST_F(SplitLayoutTest, DoubleClickOnADividerCollapsesTheSidePane)
{
    start({ 200, 494, 294 });
    doubleClick(0);
    EXPECT_EQ(controller->currentNavigatorPaneState(), 0);
    doubleClick(1);
    EXPECT_EQ(controller->currentPreviewPaneState(), 0);
    EXPECT_FALSE(split->isSubviewCollapsed(1));
    EXPECT_FALSE(previewButton->isChecked());
}

} // namespace
} // namespace penwick::test
