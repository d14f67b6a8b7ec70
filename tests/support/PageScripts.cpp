#include "PageScripts.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace penwick::test {

std::optional<QVariant> scriptAnswer(platform::WebView* view, const QString& script, platform::WebView::World world,
    QDeadlineTimer deadline)
{
    // Shared with the callback, which may still come after this returns.
    auto answer = std::make_shared<std::optional<QVariant>>();
    view->runScript(script, world, [answer](const QVariant& value) { *answer = value; });
    waitUntil([&] { return answer->has_value(); }, int(std::max<qint64>(0, deadline.remainingTime())));
    return *answer;
}

QVariant evaluate(platform::WebView* view, const QString& script, platform::WebView::World world, int timeoutMs)
{
    const std::optional<QVariant> answer = scriptAnswer(view, script, world, QDeadlineTimer(timeoutMs));
    EXPECT_TRUE(answer.has_value()) << "no answer within " << timeoutMs << " ms to: " << script.toStdString();
    return answer.value_or(QVariant());
}

bool waitForScript(platform::WebView* view, const QString& condition, platform::WebView::World world, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    do {
        const std::optional<QVariant> answer = scriptAnswer(view, condition, world, deadline);
        if (answer && answer->toBool())
            return true;
    } while (!deadline.hasExpired());
    return false;
}

} // namespace penwick::test
