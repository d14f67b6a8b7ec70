#include "shell/OverlayScrollView.h"
#include "shell/OverlayScroller.h"

#include "FakeClock.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <memory>

namespace penwick::test {
namespace {

// How many pixels of the scroller's own drawing are not fully transparent.
int paintedPixels(QWidget* widget)
{
    QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}

QImage rendering(QWidget* widget)
{
    QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    widget->render(&image);
    return image;
}

class ScrollingTest : public ::testing::Test {
protected:
    void setAutoHide(bool on)
    {
        platform::UserDefaults::standard().setValue(OverlayScroller::ENABLE_AUTO_HIDE_SCROLLING, on);
    }
    void TearDown() override { platform::UserDefaults::standard().removeObject(OverlayScroller::ENABLE_AUTO_HIDE_SCROLLING); }

    std::unique_ptr<OverlayScroller> makeScroller()
    {
        auto scroller = std::make_unique<OverlayScroller>(Qt::Vertical, nullptr, &clock);
        scroller->resize(14, 300);
        scroller->setRange(0, 1000);
        scroller->setPageStep(100);
        return scroller;
    }

    FakeClock clock;
};

TEST_F(ScrollingTest, TheScrollerIsTransparentOnePointEightSecondsAfterTheLastScroll)
{
    setAutoHide(true);
    auto scroller = makeScroller();
    ASSERT_TRUE(scroller->isOverlayEnabled());
    scroller->setValue(100);
    clock.advance(OverlayScroller::SHOW_MS);
    EXPECT_EQ(scroller->alphaValue(), 1.0);
    EXPECT_GT(paintedPixels(scroller.get()), 0);

    clock.advance(OverlayScroller::FADE_DELAY_MS - OverlayScroller::SHOW_MS + 150);
    EXPECT_GT(scroller->alphaValue(), 0.0);
    EXPECT_LT(scroller->alphaValue(), 1.0);
    clock.advance(150);
    EXPECT_EQ(scroller->alphaValue(), 0.0);
    EXPECT_EQ(paintedPixels(scroller.get()), 0);
    clock.advance(100); // the last repaint of the fade, then no timer keeps running
    EXPECT_EQ(clock.pendingCount(), 0);
}

TEST_F(ScrollingTest, ScrollingAgainPostponesTheFade)
{
    setAutoHide(true);
    auto scroller = makeScroller();
    scroller->setValue(100);
    clock.advance(1000);
    scroller->setValue(200);
    clock.advance(800); // 1.8 s after the first scroll
    EXPECT_EQ(scroller->alphaValue(), 1.0);
    clock.advance(1000); // 1.8 s after the second
    EXPECT_EQ(scroller->alphaValue(), 0.0);
}

TEST_F(ScrollingTest, ThePointerBringsTheScrollerBackAndLeavingFadesIt)
{
    setAutoHide(true);
    auto scroller = makeScroller();
    scroller->setValue(100);
    clock.advance(2000);
    ASSERT_EQ(scroller->alphaValue(), 0.0);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(scroller.get(), &enter);
    clock.advance(OverlayScroller::FADE_IN_MS);
    EXPECT_EQ(scroller->alphaValue(), 1.0);
    clock.advance(5000); // no fade while the pointer stays
    EXPECT_EQ(scroller->alphaValue(), 1.0);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(scroller.get(), &leave);
    clock.advance(OverlayScroller::FADE_OUT_MS);
    EXPECT_EQ(scroller->alphaValue(), 0.0);
}

TEST_F(ScrollingTest, WithTheSettingOffTheScrollerIsThePlatformsOwn)
{
    setAutoHide(false);
    auto scroller = makeScroller();
    EXPECT_FALSE(scroller->isOverlayEnabled());
    QScrollBar plain(Qt::Vertical);
    plain.resize(14, 300);
    plain.setRange(0, 1000);
    plain.setPageStep(100);
    scroller->setValue(300);
    plain.setValue(300);
    clock.advance(5000);
    EXPECT_EQ(scroller->alphaValue(), 1.0);
    EXPECT_EQ(clock.pendingCount(), 0);
    EXPECT_EQ(rendering(scroller.get()), rendering(&plain));

    OverlayScrollView view;
    EXPECT_FALSE(view.isOverlayEnabled());
    EXPECT_EQ(view.overlayScroller(), nullptr);
    EXPECT_EQ(view.verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
}

TEST_F(ScrollingTest, TheOverlayScrollViewFloatsItsScrollerOverTheWholeWidth)
{
    setAutoHide(true);
    OverlayScrollView view;
    view.resize(300, 200);
    auto* content = new QLabel(QStringLiteral("tall"));
    content->setFixedSize(280, 2000);
    view.setWidget(content);
    view.show();
    QApplication::processEvents();
    ASSERT_TRUE(view.isOverlayEnabled());
    EXPECT_EQ(view.headerOffset(), 0);
    OverlayScroller* scroller = view.overlayScroller();
    ASSERT_NE(scroller, nullptr);
    EXPECT_EQ(view.viewport()->width(), view.contentsRect().width()); // content keeps the full width
    EXPECT_EQ(scroller->geometry().right(), view.contentsRect().right());
    EXPECT_EQ(scroller->geometry().top(), view.contentsRect().top());
    EXPECT_EQ(scroller->height(), view.contentsRect().height());
    scroller->setValue(500);
    EXPECT_EQ(view.verticalScrollBar()->value(), 500);
    view.verticalScrollBar()->setValue(700);
    EXPECT_EQ(scroller->value(), 700);

    // With a table inside, the scroller starts below its header.
    auto* table = new QTableWidget(50, 2);
    view.setWidget(table);
    view.awakeFromNib();
    EXPECT_GT(view.headerOffset(), 0);
    EXPECT_EQ(scroller->geometry().top(), view.contentsRect().top() + view.headerOffset());
}

TEST(SyncScrollView, FollowsTheVerticalPositionAndKeepsItsOwnHorizontal)
{
    const auto area = [](QScrollArea& view) {
        auto* content = new QLabel(QStringLiteral("big"));
        content->setFixedSize(2000, 2000);
        view.setWidget(content);
        view.resize(300, 300);
        view.show();
        QApplication::processEvents();
    };
    QScrollArea followed;
    area(followed);
    SyncScrollView follower;
    area(follower);
    follower.setSynchronizedScrollView(&followed);
    follower.horizontalScrollBar()->setValue(30);

    followed.verticalScrollBar()->setValue(120);
    EXPECT_EQ(follower.verticalScrollBar()->value(), 120);
    followed.horizontalScrollBar()->setValue(400);
    EXPECT_EQ(follower.horizontalScrollBar()->value(), 30);
    EXPECT_EQ(follower.verticalScrollBar()->value(), 120);

    follower.stopSynchronizing();
    EXPECT_EQ(follower.synchronizedScrollView(), nullptr);
    followed.verticalScrollBar()->setValue(300);
    EXPECT_EQ(follower.verticalScrollBar()->value(), 120);
    // With nothing to follow, the origin is (0, 0).
    follower.synchronizedViewContentBoundsDidChange();
    EXPECT_EQ(follower.verticalScrollBar()->value(), 0);
    EXPECT_EQ(follower.horizontalScrollBar()->value(), 30);
}

} // namespace
} // namespace penwick::test
