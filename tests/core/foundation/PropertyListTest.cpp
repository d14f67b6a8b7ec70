#include "platform/PropertyList.h"

#include <QDateTime>

#include <gtest/gtest.h>

using namespace penwick::platform;

TEST(PropertyList, RoundTripsEveryKind)
{
    const QVariantMap value {
        { "string", QStringLiteral("a <b> & \u00e9") },
        { "integer", qlonglong(-42) },
        { "real", 2.5 },
        { "yes", true },
        { "no", false },
        { "data", QByteArray("\x00\x01\xff", 3) },
        { "date", QDateTime(QDate(2026, 12, 10), QTime(13, 30, 0, 250), Qt::UTC) },
        { "list", QVariantList { 1LL, QStringLiteral("two"), QVariantMap { { "three", 3LL } } } },
        { "empty", QVariantMap() },
    };
    const PropertyListResult back = readPropertyList(writePropertyList(value));
    ASSERT_TRUE(back.ok()) << qPrintable(back.error);
    EXPECT_EQ(back.value.toMap(), value);
}

TEST(PropertyList, MalformedInputGivesAnError)
{
    for (const char* bad : { "", "<notplist/>", "<plist><dict><key>a</key></dict></plist>",
                             "<plist><integer>x</integer></plist>", "<plist><dict><string>v</string></dict></plist>",
                             "<plist><dict><key>a</key><strange/></dict></plist>" }) {
        EXPECT_FALSE(readPropertyList(bad).ok()) << bad;
    }
}
