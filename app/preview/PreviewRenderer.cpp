#include "preview/PreviewRenderer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>

#include <unistd.h>

namespace penwick {

PreviewRenderer::PreviewRenderer(QObject* parent)
    : QObject(parent)
{
    m_bound.setInterval(100);
    connect(&m_bound, &QTimer::timeout, this, &PreviewRenderer::checkBound);
}

PreviewRenderer::~PreviewRenderer()
{
    endProcess();
}

QString PreviewRenderer::programPath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("penwick-render"));
}

qint64 PreviewRenderer::processId() const
{
    return m_process && m_process->state() == QProcess::Running ? m_process->processId() : 0;
}

void PreviewRenderer::render(const QString& text, bool parseJekyll, bool alsoRealPreview, Callback done)
{
    Job job;
    job.request.id = ++m_nextId;
    job.request.text = text;
    job.request.parseJekyll = parseJekyll;
    job.request.alsoRealPreview = alsoRealPreview;
    job.request.settings = RenderMessages::currentSettings();
    job.done = std::move(done);
    if (m_running) {
        m_runningSuperseded = true;
        m_waiting = std::move(job);
        return;
    }
    send(std::move(job));
}

void PreviewRenderer::stop()
{
    m_waiting.reset();
    m_running.reset();
    m_bound.stop();
    endProcess();
}

void PreviewRenderer::send(Job job)
{
    if (!m_process || m_process->state() != QProcess::Running) {
        endProcess();
        if (QFileInfo(programPath()).isExecutable()) {
            auto* process = new QProcess(this);
            // The process reads no settings file of its own: every request carries them.
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QDir::tempPath() + QStringLiteral("/penwick-render-has-no-settings"));
            process->setProcessEnvironment(environment);
            process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            connect(process, &QProcess::readyReadStandardOutput, this, &PreviewRenderer::onReadable);
            connect(process, &QProcess::finished, this, &PreviewRenderer::onProcessEnded);
            process->start(programPath(), {}, QIODevice::ReadWrite);
            if (process->waitForStarted(5000))
                m_process = process;
            else
                delete process;
        }
        m_buffer.clear();
    }
    if (!m_process) {
        // No render process: render here, as a last resort.
        Result result;
        const RenderReply reply = RenderMessages::answer(job.request);
        result.page = reply.page;
        result.realPreview = reply.realPreview;
        QMetaObject::invokeMethod(this, [done = std::move(job.done), result] {
            if (done)
                done(result);
        }, Qt::QueuedConnection);
        return;
    }
    m_process->write(RenderMessages::frame(job.request));
    m_running = std::move(job);
    m_runningSuperseded = false;
    m_startProcessorMs = std::max<qint64>(processorMs(), 0);
    m_wall.start();
    m_bound.start();
}

qint64 PreviewRenderer::processorMs() const
{
    const qint64 pid = processId();
    if (pid <= 0)
        return -1;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // After the command (in parentheses, which may hold blanks) come the fields from the third on.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    const qint64 ticks = fields.at(11).toLongLong() + fields.at(12).toLongLong(); // utime, stime
    static const long perSecond = ::sysconf(_SC_CLK_TCK);
    return perSecond > 0 ? ticks * 1000 / perSecond : -1;
}

void PreviewRenderer::checkBound()
{
    if (!m_running) {
        m_bound.stop();
        return;
    }
    const qint64 used = processorMs();
    if ((used >= 0 ? used - m_startProcessorMs : m_wall.elapsed()) > m_boundMs || m_wall.elapsed() > 10 * qint64(m_boundMs))
        onBound();
}

void PreviewRenderer::onReadable()
{
    if (!m_process)
        return;
    m_buffer += m_process->readAllStandardOutput();
    while (const std::optional<QByteArray> payload = RenderMessages::take(m_buffer)) {
        const std::optional<RenderReply> reply = RenderMessages::readReply(*payload);
        if (!reply || !m_running || reply->id != m_running->request.id)
            continue;
        m_bound.stop();
        Job finished = std::move(*m_running);
        const bool superseded = m_runningSuperseded;
        m_running.reset();
        sendWaiting();
        if (!superseded && finished.done) {
            Result result;
            result.page = reply->page;
            result.realPreview = reply->realPreview;
            finished.done(result);
        }
    }
}

void PreviewRenderer::onBound()
{
    m_bound.stop();
    if (!m_running)
        return;
    // The engine is still at it: end the process rather than let it run on.
    Job given = std::move(*m_running);
    const bool superseded = m_runningSuperseded;
    m_running.reset();
    endProcess();
    if (m_waiting) {
        sendWaiting();
        return;
    }
    if (!superseded && given.done) {
        Result result;
        result.tooComplex = true;
        given.done(result);
    }
}

void PreviewRenderer::onProcessEnded()
{
    if (sender() != m_process)
        return;
    // The process went away under a rendering (a crash): that text is given up like one too
    // long to render; a newer one gets a new process.
    m_process->deleteLater();
    m_process = nullptr;
    if (m_running) {
        m_bound.stop();
        onBound();
    }
}

void PreviewRenderer::endProcess()
{
    if (!m_process)
        return;
    QProcess* process = m_process;
    m_process = nullptr;
    process->disconnect(this);
    process->kill();
    process->waitForFinished(1000);
    process->deleteLater();
}

void PreviewRenderer::sendWaiting()
{
    if (!m_waiting)
        return;
    Job next = std::move(*m_waiting);
    m_waiting.reset();
    send(std::move(next));
}

} // namespace penwick
