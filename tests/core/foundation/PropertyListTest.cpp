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

TEST(PropertyList, NestingIsBoundedFarAboveRealFiles)
{
    const auto nested = [](int depth, bool closed) {
        QByteArray xml = "<plist>";
        for (int i = 0; i < depth; ++i)
            xml += "<array>";
        xml += "<string>leaf</string>";
        for (int i = 0; closed && i < depth; ++i)
            xml += "</array>";
        return closed ? xml + "</plist>" : xml;
    };
    // A hundred levels read back whole, the leaf at the bottom.
    const PropertyListResult deep = readPropertyList(nested(100, true));
    ASSERT_TRUE(deep.ok()) << qPrintable(deep.error);
    QVariant v = deep.value;
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(v.typeId(), QMetaType::QVariantList);
        v = v.toList().value(0);
    }
    EXPECT_EQ(v.toString(), "leaf");
    // Beyond the bound the file is refused with a message saying why.
    for (const auto& [depth, closed] : { std::pair { 50000, true }, std::pair { 100000, false } }) {
        const PropertyListResult refused = readPropertyList(nested(depth, closed));
        EXPECT_FALSE(refused.ok());
        EXPECT_TRUE(refused.error.contains("nested")) << qPrintable(refused.error);
    }
}
