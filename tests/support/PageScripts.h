#pragma once

#include "platform/web/WebView.h"

#include <QDeadlineTimer>
#include <QString>
#include <QVariant>

#include <optional>

namespace penwick::test {

// How long a script's answer is waited for when the caller sets no bound of its own: generous,
// because on a busy machine the page's process is the one that waits.
constexpr int kScriptAnswerMs = 60000;

// What `script` gives in the page of `view`; none when the page has not answered by `deadline`.
std::optional<QVariant> scriptAnswer(platform::WebView* view, const QString& script, platform::WebView::World world,
    QDeadlineTimer deadline);

// What `script` gives; a failure naming the script when no answer came within `timeoutMs`.
QVariant evaluate(platform::WebView* view, const QString& script,
    platform::WebView::World world = platform::WebView::World::Page, int timeoutMs = kScriptAnswerMs);

// Runs `condition` in the page until it gives true; false when it has not within `timeoutMs`.
// The runs share that one bound: a slow answer uses it up instead of failing on a limit of its own.
bool waitForScript(platform::WebView* view, const QString& condition,
    platform::WebView::World world = platform::WebView::World::Page, int timeoutMs = kScriptAnswerMs);

} // namespace penwick::test
