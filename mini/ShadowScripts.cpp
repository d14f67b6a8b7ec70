#include "ShadowScripts.h"

#include "CoreMagicStrings.h"
#include "Extensions/StringAdditions.h"
#include "MiniLog.h"
#include "MiniResources.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

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

QList<ShadowItem> ShadowScripts::runScript(const QMap<QString, QString>& scripts, const RunningApplication& application)
{
    const QString path = scripts.value(application.identifier);
    if (path.isEmpty())
        return {};
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PENWICK_APP_ID"), application.identifier);
    environment.insert(QStringLiteral("PENWICK_APP_PID"), QString::number(application.pid));
    environment.insert(QStringLiteral("PENWICK_APP_PATH"), application.executablePath);
    environment.insert(QStringLiteral("PENWICK_WINDOW_ID"), QString::number(application.windowId));
    environment.insert(QStringLiteral("PENWICK_WINDOW_TITLE"), application.windowTitle);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    const auto fail = [&](const QString& reason) {
        miniLog().error(QStringLiteral("Shadow script ") + path + QStringLiteral(": ") + reason);
        return QList<ShadowItem>();
    };
    process.start(path, {});
    if (!process.waitForStarted(kTimeoutMs))
        return fail(QStringLiteral("it could not be started (%1)").arg(process.errorString()));

    // Read as it comes, so that a script printing much never blocks on a full pipe.
    QByteArray output;
    QDeadlineTimer deadline(kTimeoutMs);
    while (process.state() != QProcess::NotRunning) {
        if (deadline.hasExpired()) {
            process.kill();
            process.waitForFinished(1000);
            return fail(QStringLiteral("it ran longer than %1 seconds and was stopped").arg(kTimeoutMs / 1000));
        }
        process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        output += process.readAllStandardOutput();
        if (output.size() > kMaxOutput) {
            process.kill();
            process.waitForFinished(1000);
            return fail(QStringLiteral("it printed more than 1 MiB"));
        }
    }
    output += process.readAllStandardOutput();
    if (output.size() > kMaxOutput)
        return fail(QStringLiteral("it printed more than 1 MiB"));
    if (process.exitStatus() == QProcess::CrashExit)
        return fail(QStringLiteral("it crashed"));
    if (process.exitCode() != 0)
        return fail(QStringLiteral("it exited with status %1").arg(process.exitCode()));
    QString error;
    const QList<ShadowItem> items = parseReply(output, application, &error);
    if (!error.isEmpty())
        return fail(error);
    return items;
}

} // namespace penwick
