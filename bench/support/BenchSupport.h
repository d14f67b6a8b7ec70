#pragma once

// Small pieces the benchmark programs share: generated documents, waiting on the event loop,
// and the median/p95 line.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <span>
#include <vector>

namespace penwick::bench {

// Repeats the paragraphs in turn until the text holds at least `units` UTF-16 units.
inline QString repeatedParagraphs(std::span<const char* const> paragraphs, qsizetype units)
{
    QString text;
    text.reserve(units + 512);
    for (size_t i = 0; text.size() < units; ++i)
        text += QString::fromUtf8(paragraphs[i % paragraphs.size()]);
    return text;
}

// Runs the event loop until the condition holds; false when the time runs out.
inline bool waitFor(const std::function<bool()>& condition, int timeoutMs = 120000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

inline void reportMedianAndP95(const char* what, std::vector<double> ms, int labelWidth = 52)
{
    if (ms.empty())
        return;
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    const double p95 = ms[std::min(ms.size() - 1, static_cast<size_t>(double(ms.size()) * 0.95))];
    std::printf("%-*s median %8.1f ms   p95 %8.1f ms   (%zu runs)\n", labelWidth, what, median, p95, ms.size());
}

} // namespace penwick::bench
