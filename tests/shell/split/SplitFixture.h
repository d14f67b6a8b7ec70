#pragma once

#include "shell/AnimatedSplitView.h"

#include "TestSupport.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace penwick::test {

// A shown window holding a three-pane split view 1000 points wide.
class SplitFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        window->resize(1000, 600);
        split = new AnimatedSplitView(Qt::Horizontal, window.get());
        split->setGeometry(0, 0, 1000, 600);
        split->setHandleWidth(6);
        for (int i = 0; i < 3; ++i) {
            auto* pane = new QWidget(split);
            pane->setObjectName(QStringLiteral("pane%1").arg(i));
            split->addWidget(pane);
        }
        split->widget(1)->setMinimumWidth(100);
        split->setCollapsible(1, false);
    }

    void show(const QList<int>& sizes)
    {
        split->setSizes(sizes);
        window->show();
        ASSERT_TRUE(waitUntil([&] { return split->isVisible() && split->sizes().size() == 3; }));
        QApplication::processEvents();
    }

    // Drags divider N's handle by the given steps (each relative to where it was pressed).
    void drag(int divider, const QList<int>& steps)
    {
        QSplitterHandle* handle = split->handle(divider + 1);
        const QPoint local(handle->width() / 2, handle->height() / 2);
        const QPoint origin = handle->mapToGlobal(QPoint(0, 0)); // where the handle was pressed
        const auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
            QMouseEvent event(type, handle->mapFromGlobal(origin + at), origin + at, Qt::LeftButton, buttons,
                Qt::NoModifier);
            QApplication::sendEvent(handle, &event);
        };
        send(QEvent::MouseButtonPress, local, Qt::LeftButton);
        for (int dx : steps)
            send(QEvent::MouseMove, local + QPoint(dx, 0), Qt::LeftButton);
        send(QEvent::MouseButtonRelease, local + QPoint(steps.isEmpty() ? 0 : steps.last(), 0), Qt::NoButton);
    }

    void doubleClick(int divider)
    {
        QSplitterHandle* handle = split->handle(divider + 1);
        const QPoint at(handle->width() / 2, handle->height() / 2);
        QMouseEvent event(QEvent::MouseButtonDblClick, at, handle->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
            Qt::NoModifier);
        QApplication::sendEvent(handle, &event);
    }

    std::unique_ptr<QWidget> window;
    AnimatedSplitView* split = nullptr;
};

} // namespace penwick::test
