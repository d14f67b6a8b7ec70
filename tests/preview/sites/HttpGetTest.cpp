// The one HTTP GET of the program, against a loopback server.
#include "LoopbackHttpServer.h"
#include "TestSupport.h"
#include "preview/HttpGet.h"

#include <gtest/gtest.h>

using namespace penwick;
using namespace penwick::test;

namespace {

struct Outcome {
    int failures = 0;
    int successes = 0;
    QString body;
    int calls() const { return failures + successes; }
};

class HttpGetTest : public ::testing::Test {
protected:
    // Fetches `path` and waits for the first handler; then fetches a marker path to the end,
    // so that a second handler of the first request would have had its turn.
    Outcome fetch(const QString& path)
    {
        Outcome outcome;
        const auto error = httpGet(server.url(path).toString(), [&outcome] { ++outcome.failures; },
            [&outcome](const QString& body) {
                ++outcome.successes;
                outcome.body = body;
            });
        EXPECT_FALSE(error.has_value());
        EXPECT_TRUE(waitUntil([&] { return outcome.calls() > 0; }));
        bool markerDone = false;
        server.setResponse(QStringLiteral("/marker"), "m");
        EXPECT_FALSE(httpGet(server.url(QStringLiteral("/marker")).toString(), [&] { markerDone = true; },
            [&](const QString&) { markerDone = true; }).has_value());
        EXPECT_TRUE(waitUntil([&] { return markerDone; }));
        return outcome;
    }

    LoopbackHttpServer server;
};

TEST_F(HttpGetTest, AnOkAnswerCallsSuccessOnceWithTheBody)
{
    server.setResponse(QStringLiteral("/page"), QByteArray("<html>caf\xc3\xa9 \xf0\x9f\x98\x80</html>"));
    const Outcome outcome = fetch(QStringLiteral("/page"));
    EXPECT_EQ(outcome.successes, 1);
    EXPECT_EQ(outcome.failures, 0);
    EXPECT_EQ(outcome.body, QStringLiteral(u"<html>café 😀</html>"));
}

TEST_F(HttpGetTest, ErrorsCallFailureOnceAndNeverSuccess)
{
    LoopbackHttpServer::Response notFound;
    notFound.status = 404;
    notFound.body = "<html>a page saying not found</html>";
    server.setResponse(QStringLiteral("/missing"), notFound);
    LoopbackHttpServer::Response broken;
    broken.status = 500;
    server.setResponse(QStringLiteral("/broken"), broken);
    LoopbackHttpServer::Response dropped;
    dropped.dropConnection = true;
    server.setResponse(QStringLiteral("/dropped"), dropped);
    server.setResponse(QStringLiteral("/latin1"), QByteArray("<html>caf\xe9</html>"), "text/html; charset=iso-8859-1");
    server.setResponse(QStringLiteral("/truncated-utf8"), QByteArray("<html>\xf0\x9f"));

    for (const QString& path : QStringList { "/missing", "/broken", "/dropped", "/latin1", "/truncated-utf8" }) {
        SCOPED_TRACE(path.toStdString());
        const Outcome outcome = fetch(path);
        EXPECT_EQ(outcome.failures, 1);
        EXPECT_EQ(outcome.successes, 0);
        // Qt's network layer sends an idempotent GET once more after a connection closed
        // without an answer; the caller still hears of it once.
        EXPECT_EQ(server.requestCount(path), path == "/dropped" ? 2 : 1);
    }
}

TEST_F(HttpGetTest, RedirectsAreFollowed)
{
    LoopbackHttpServer::Response moved;
    moved.status = 302;
    moved.headers.append({ "Location", server.url(QStringLiteral("/final")).toEncoded() });
    server.setResponse(QStringLiteral("/old"), moved);
    server.setResponse(QStringLiteral("/final"), "the final page");
    const Outcome outcome = fetch(QStringLiteral("/old"));
    EXPECT_EQ(outcome.successes, 1);
    EXPECT_EQ(outcome.failures, 0);
    EXPECT_EQ(outcome.body, QStringLiteral("the final page"));
    EXPECT_EQ(server.requestCount(QStringLiteral("/final")), 1);
}

TEST_F(HttpGetTest, AddressesThatAreNotHttpAreRefusedAtOnce)
{
    int calls = 0;
    for (const QString& address : { QStringLiteral("not a url"), QStringLiteral("ftp://x"), QStringLiteral(""),
             QStringLiteral("http://"), QStringLiteral("file:///etc/passwd"), QStringLiteral("/page") }) {
        SCOPED_TRACE(address.toStdString());
        const auto error = httpGet(address, [&] { ++calls; }, [&](const QString&) { ++calls; });
        ASSERT_TRUE(error.has_value());
        EXPECT_FALSE(error->message.isEmpty());
    }
    // A request that does go out ends after any the refused ones could have made.
    const Outcome outcome = fetch(QStringLiteral("/nothing-here"));
    EXPECT_EQ(outcome.failures, 1);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(server.requests().size(), 2) << "only the two checked requests reached the server";
}

} // namespace
