#include "highlighter/MarkdownParseWorker.h"

#include "highlighter/mdh_parser.h"

#include <QCoreApplication>
#include <QList>

#include <atomic>

namespace penwick {

namespace {

std::atomic<int> g_busy = 0;

// Workers that have not ended yet (main thread only): quitting waits for them rather
// than tearing the process down under a parse.
QList<QThread*>& liveWorkers()
{
    static QList<QThread*> workers;
    return workers;
}

} // namespace

MarkdownParseWorker::MarkdownParseWorker()
{
    // The parser's nesting bounds are sized for this stack; don't depend on the user's ulimit.
    setStackSize(8u << 20);
    static const bool waitsAtQuit = [] {
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, [] {
            for (QThread* thread : liveWorkers()) {
                static_cast<MarkdownParseWorker*>(thread)->finish();
                thread->wait();
            }
        });
        return true;
    }();
    Q_UNUSED(waitsAtQuit);
    liveWorkers().append(this);
    connect(this, &QThread::finished, qApp, [this] { liveWorkers().removeOne(this); });
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

int MarkdownParseWorker::busyCount() { return g_busy.load(); }

void MarkdownParseWorker::post(std::function<void()> job)
{
    ++g_busy;
    std::lock_guard lock(m_mutex);
    m_jobs.push_back(std::move(job));
    m_changed.notify_one();
}

void MarkdownParseWorker::finish()
{
    std::lock_guard lock(m_mutex);
    m_finishing = true;
    m_changed.notify_one();
}

void MarkdownParseWorker::run()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_finishing || !m_jobs.empty(); });
            if (m_jobs.empty())
                break;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job();
        --g_busy;
    }
    mdh_release_parse_memory();
}

} // namespace penwick
