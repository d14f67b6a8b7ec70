#pragma once

#include "preview/RenderMessages.h"

#include <QObject>
#include <QElapsedTimer>
#include <QPointer>
#include <QProcess>
#include <QTimer>

#include <functional>
#include <optional>

namespace penwick {

// Renders the preview's Markdown in a render process (penwick-render), off the GUI thread and
// out of Penwick's own process. One rendering runs at a time; a newer text supersedes both an
// unfinished rendering (its answer is dropped) and one still waiting. A rendering that runs
// past the bound is given up: the process is ended, so nothing keeps a core busy, and the
// caller hears that the document is too complex. The bound counts the processor time the
// rendering took (a busy machine does not make a text too complex), and ten times as much
// wall time at most. Without the render process (not installed)
// the rendering runs here, as it did before.
class PreviewRenderer : public QObject {
    Q_OBJECT
public:
    struct Result {
        bool tooComplex = false;
        RenderingResult page;
        std::optional<RenderingResult> realPreview;
    };
    using Callback = std::function<void(const Result&)>;
    static constexpr int kBoundMs = 3000;

    explicit PreviewRenderer(QObject* parent = nullptr);
    ~PreviewRenderer() override;

    // `done` runs later, on this thread, unless a newer render() came first or stop() ran.
    void render(const QString& text, bool parseJekyll, bool alsoRealPreview, Callback done);
    void stop();
    bool isBusy() const { return m_running.has_value() || m_waiting.has_value(); }
    void setBoundMs(int ms) { m_boundMs = ms; }
    // The render process's id while one runs (0 otherwise).
    qint64 processId() const;
    // Where the render process is: beside the running program.
    static QString programPath();

private:
    struct Job {
        RenderRequest request;
        Callback done;
    };
    void send(Job job);
    void onReadable();
    void onBound();
    void onProcessEnded();
    void endProcess();
    void sendWaiting();

    QPointer<QProcess> m_process;
    QByteArray m_buffer;
    // The processor time of the render process so far, in milliseconds (-1: unknown).
    qint64 processorMs() const;
    void checkBound();

    QTimer m_bound; // ticks while a rendering runs
    int m_boundMs = kBoundMs;
    qint64 m_startProcessorMs = 0;
    QElapsedTimer m_wall;
    quint64 m_nextId = 0;
    std::optional<Job> m_running;
    bool m_runningSuperseded = false;
    std::optional<Job> m_waiting;
};

} // namespace penwick
