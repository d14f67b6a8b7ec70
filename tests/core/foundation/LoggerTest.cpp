#include "LXLogger.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace penwick;

namespace {
std::string captured(const std::function<void()>& body)
{
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    body();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}
} // namespace

TEST(Logger, ErrorWritesOneLine)
{
    EXPECT_EQ(captured([] { log().error(QStringLiteral("x")); }), "Error: x\n");
    EXPECT_EQ(captured([] { log().error(QString()); }), "Error: \n");
    EXPECT_EQ(captured([] { log().error(QStringLiteral("caf\u00e9 \u2713")); }), "Error: caf\xc3\xa9 \xe2\x9c\x93\n");
}

TEST(Logger, OtherLevelsWriteNothing)
{
    for (const QString& message : { QStringLiteral("x"), QString(), QStringLiteral("Error: y\n") }) {
        EXPECT_EQ(captured([&] {
            log().warning(message);
            log().debug(message);
            log().critical(message);
            log().info(message);
        }),
            "");
    }
}

TEST(Logger, GlobalLoggerIsOneObject)
{
    EXPECT_EQ(&log(), &log());
}
