#include "ShadowScripts.h"

#include "CoreMagicStrings.h"
#include "Extensions/StringAdditions.h"
#include "MiniLog.h"
#include "MiniResources.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <signal.h>
#include <unistd.h>

#include <utility>

namespace penwick {

QStringList ShadowScripts::scriptFolders()
{
    return { miniResourcesFolder() + QStringLiteral("ShadowScripts"),
             stringByExpandingTildeInPath(CoreMagicStrings::SHADOW_SCRIPTS_PATH) };
}

QMap<QString, QString> ShadowScripts::collectScripts()
{
    QMap<QString, QString> scripts;
    for (const QString& folder : scriptFolders()) {
        const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Executable, QDir::Name);
        for (const QFileInfo& file : files)
            scripts.insert(fileName(file.filePath()), file.filePath());
    }
    return scripts;
}

QList<ShadowItem> ShadowScripts::parseReply(const QByteArray& reply, const RunningApplication& application, QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(reply, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isArray()) {
        *error = parseError.error != QJsonParseError::NoError
            ? QStringLiteral("its output is no JSON (%1)").arg(parseError.errorString())
            : QStringLiteral("its output is not a JSON array");
        return {};
    }
    QList<ShadowItem> items;
    for (const QJsonValue& value : document.array()) {
        const QJsonObject record = value.toObject();
        if (!record.value(QStringLiteral("title")).isString() || !record.value(QStringLiteral("path")).isString())
            continue;
        ShadowItem item;
        item.title = record.value(QStringLiteral("title")).toString();
        item.path = record.value(QStringLiteral("path")).toString();
        item.sourceIdentifier = application.identifier;
        item.sourceAppPath = application.executablePath;
        item.toolTip = item.path;
        if (record.value(QStringLiteral("active")).isBool())
            item.isActive = record.value(QStringLiteral("active")).toBool();
        items.append(item);
    }
    return items;
}

std::unique_ptr<ShadowScriptRun> ShadowScripts::runScript(const QMap<QString, QString>& scripts,
                                                         const RunningApplication& application, ReplyHandler handler)
{
    const QString path = scripts.value(application.identifier);
    if (path.isEmpty())
        return nullptr;
    return std::make_unique<ShadowScriptRun>(path, application, std::move(handler));
}

ShadowScriptRun::ShadowScriptRun(const QString& path, const RunningApplication& application,
                                 ShadowScripts::ReplyHandler handler)
    : m_path(path)
    , m_application(application)
    , m_handler(std::move(handler))
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PENWICK_APP_ID"), application.identifier);
    environment.insert(QStringLiteral("PENWICK_APP_PID"), QString::number(application.pid));
    environment.insert(QStringLiteral("PENWICK_APP_PATH"), application.executablePath);
    environment.insert(QStringLiteral("PENWICK_WINDOW_ID"), QString::number(application.windowId));
    environment.insert(QStringLiteral("PENWICK_WINDOW_TITLE"), application.windowTitle);
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
    // A group of its own: stopping the script reaches the programs it started as well.
    m_process.setChildProcessModifier([] { ::setpgid(0, 0); });
    // Read as it comes, so that a script printing much never blocks on a full pipe.
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &ShadowScriptRun::readOutput);
    connect(&m_process, &QProcess::finished, this, &ShadowScriptRun::processFinished);
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            fail(QStringLiteral("it could not be started (%1)").arg(m_process.errorString()));
    });
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("it ran longer than %1 seconds and was stopped").arg(ShadowScripts::kTimeoutMs / 1000));
    });
    m_timeout.start(ShadowScripts::kTimeoutMs);
    m_process.start(path, {});
}

ShadowScriptRun::~ShadowScriptRun()
{
    disconnect(&m_process, nullptr, this, nullptr);
    m_handler = nullptr;
    stopProcessGroup();
    m_process.waitForFinished(1000);
}

void ShadowScriptRun::readOutput()
{
    if (m_finished)
        return;
    m_output += m_process.readAllStandardOutput();
    if (m_output.size() > ShadowScripts::kMaxOutput)
        fail(QStringLiteral("it printed more than 1 MiB"));
}

void ShadowScriptRun::processFinished(int exitCode, QProcess::ExitStatus status)
{
    readOutput();
    if (m_finished)
        return;
    if (status == QProcess::CrashExit)
        return fail(QStringLiteral("it crashed"));
    if (exitCode != 0)
        return fail(QStringLiteral("it exited with status %1").arg(exitCode));
    QString error;
    const QList<ShadowItem> items = ShadowScripts::parseReply(m_output, m_application, &error);
    if (!error.isEmpty())
        return fail(error);
    finish(items);
}

void ShadowScriptRun::fail(const QString& reason)
{
    if (m_finished)
        return;
    miniLog().error(QStringLiteral("Shadow script ") + m_path + QStringLiteral(": ") + reason);
    stopProcessGroup();
    finish({});
}

void ShadowScriptRun::finish(const QList<ShadowItem>& items)
{
    if (m_finished)
        return;
    m_finished = true;
    m_timeout.stop();
    m_output.clear();
    // From the event loop, so that a reply never reaches its caller inside runScript.
    QMetaObject::invokeMethod(
        this,
        [this, items] {
            if (auto handler = std::exchange(m_handler, nullptr))
                handler(items);
        },
        Qt::QueuedConnection);
}

void ShadowScriptRun::stopProcessGroup()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    if (const qint64 pid = m_process.processId(); pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
    // Also the script itself, should it not have made its group yet.
    m_process.kill();
}

} // namespace penwick
