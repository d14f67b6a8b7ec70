#pragma once

#include <QThread>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace penwick {

// The one thread on which a highlighter parses, kept for as long as the highlighter
// is active so that the parser's working memory stays with it between parses. Jobs
// run in the order posted. `finish` lets the jobs already posted run and then ends
// the thread, which gives its working memory back as it ends; a finished worker
// deletes itself.
class MarkdownParseWorker : public QThread {
public:
    MarkdownParseWorker();

    void post(std::function<void()> job);
    void finish();

    // Posted jobs not yet done, over all workers (main thread and workers alike).
    static int busyCount();

protected:
    void run() override;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_jobs;
    bool m_finishing = false;
};

} // namespace penwick
