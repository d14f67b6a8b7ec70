#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <memory>

using namespace penwick::platform;

TEST(NotificationCenter, DeliversByNameAndSender)
{
    NotificationCenter center;
    QObject observer;
    int sender = 0, otherSender = 0;
    QStringList log;
    center.addObserver(&observer, "A", nullptr, [&](const Notification& n) { log << "any:" + n.name; });
    center.addObserver(&observer, "A", &sender, [&](const Notification& n) {
        log << "sender:" + n.userInfo.value("k").toString();
    });
    center.addObserver(&observer, QString(), nullptr, [&](const Notification& n) { log << "all:" + n.name; });

    center.post("A", &sender, { { "k", "v" } });
    center.post("A", &otherSender);
    center.post("B");
    EXPECT_EQ(log, QStringList({ "any:A", "sender:v", "all:A", "any:A", "all:A", "all:B" }));
}

TEST(NotificationCenter, DeliveryIsSynchronousOnThePostingThread)
{
    NotificationCenter center;
    bool delivered = false;
    auto token = center.observe("X", nullptr, [&](const Notification&) { delivered = true; });
    center.post("X");
    EXPECT_TRUE(delivered);
}

TEST(NotificationCenter, RemovalByObserverNameAndHandle)
{
    NotificationCenter center;
    QObject a, b;
    int aCalls = 0, bCalls = 0, tokenCalls = 0;
    center.addObserver(&a, "N", nullptr, [&](const Notification&) { ++aCalls; });
    center.addObserver(&a, "M", nullptr, [&](const Notification&) { ++aCalls; });
    center.addObserver(&b, "N", nullptr, [&](const Notification&) { ++bCalls; });
    auto token = center.observe("N", nullptr, [&](const Notification&) { ++tokenCalls; });

    center.removeObserver(&a, "N");
    center.post("N");
    center.post("M");
    EXPECT_EQ(aCalls, 1);
    center.removeObserver(&a);
    center.post("M");
    EXPECT_EQ(aCalls, 1);
    token.reset();
    center.post("N");
    EXPECT_EQ(bCalls, 2);
    EXPECT_EQ(tokenCalls, 1);
}

TEST(NotificationCenter, DestroyedObserversAreNeverCalled)
{
    NotificationCenter center;
    int calls = 0;
    auto observer = std::make_unique<QObject>();
    center.addObserver(observer.get(), "N", nullptr, [&](const Notification&) { ++calls; });
    center.post("N");
    observer.reset();
    center.post("N");
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenter, ObserverRemovedDuringDeliveryIsSkipped)
{
    NotificationCenter center;
    QObject first;
    auto second = std::make_unique<QObject>();
    int secondCalls = 0;
    center.addObserver(&first, "N", nullptr, [&](const Notification&) { second.reset(); });
    center.addObserver(second.get(), "N", nullptr, [&](const Notification&) { ++secondCalls; });
    center.post("N");
    EXPECT_EQ(secondCalls, 0);
}

TEST(NotificationCenter, DefaultCenterIsOnePerProcess)
{
    EXPECT_EQ(&NotificationCenter::defaultCenter(), &NotificationCenter::defaultCenter());
}
