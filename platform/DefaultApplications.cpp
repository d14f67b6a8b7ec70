#include "platform/DefaultApplications.h"

#include "platform/AtomicFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace penwick::platform {

namespace {

const QString kGroup = QStringLiteral("[Default Applications]");

// Runs the program with the arguments (no shell); its standard output, or nothing when it
// cannot start, times out or exits with a failure.
std::optional<QString> run(const QString& program, const QStringList& arguments, int* exitStatus = nullptr)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(DefaultApplications::kTimeoutMs) || !process.waitForFinished(DefaultApplications::kTimeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        if (exitStatus)
            *exitStatus = -1;
        return std::nullopt;
    }
    const int status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    if (exitStatus)
        *exitStatus = status;
    if (status != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

bool isGroupHeader(const QString& line)
{
    const QString trimmed = line.trimmed();
    return trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'));
}

QString keyOf(const QString& line)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? QString() : line.left(eq).trimmed();
}

} // namespace

DefaultApplications::DefaultApplications(QString xdgMime)
    : m_xdgMime(xdgMime.isNull() ? QStandardPaths::findExecutable(QStringLiteral("xdg-mime")) : std::move(xdgMime))
{
    if (!m_xdgMime.isEmpty() && !QFileInfo(m_xdgMime).isExecutable())
        m_xdgMime.clear();
}

QString DefaultApplications::mimeAppsListPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/mimeapps.list");
}

int DefaultApplications::setDefault(const QString& desktopId, const QString& mimeType) const
{
    if (desktopId.isEmpty() || mimeType.isEmpty())
        return -1;
    int status = 0;
    if (m_xdgMime.isEmpty())
        status = setInMimeAppsList(desktopId, mimeType);
    else
        run(m_xdgMime, { QStringLiteral("default"), desktopId, mimeType }, &status);
    if (status != 0)
        return status;
    // xdg-mime may exit 0 without having written, and its query falls back to any desktop
    // file that lists the type: the user's own list must name the id as well.
    const bool written = queryMimeAppsList(mimeType) == desktopId;
    return written && queryDefault(mimeType) == desktopId ? 0 : 1;
}

std::optional<QString> DefaultApplications::queryDefault(const QString& mimeType) const
{
    if (m_xdgMime.isEmpty())
        return queryMimeAppsList(mimeType);
    const std::optional<QString> out = run(m_xdgMime, { QStringLiteral("query"), QStringLiteral("default"), mimeType });
    if (!out || out->trimmed().isEmpty())
        return std::nullopt;
    return out->trimmed();
}

int DefaultApplications::setInMimeAppsList(const QString& desktopId, const QString& mimeType) const
{
    const QString path = mimeAppsListPath();
    QStringList lines;
    QFile existing(path);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            return 2;
        lines = QString::fromUtf8(existing.readAll()).split(QLatin1Char('\n'));
        existing.close();
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
    }
    const QString entry = mimeType + QLatin1Char('=') + desktopId + QLatin1Char(';');
    // Replace the type's line in the group, or add one at the group's top; every other line stays.
    qsizetype group = -1;
    bool done = false;
    for (qsizetype i = 0; i < lines.size() && !done; ++i) {
        if (isGroupHeader(lines[i])) {
            group = lines[i].trimmed() == kGroup ? i : -1;
            continue;
        }
        if (group >= 0 && keyOf(lines[i]) == mimeType) {
            lines[i] = entry;
            done = true;
        }
    }
    if (!done) {
        const qsizetype header = lines.indexOf(kGroup);
        if (header >= 0) {
            lines.insert(header + 1, entry);
        } else {
            if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
                lines.append(QString());
            lines << kGroup << entry;
        }
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return 3;
    return writeFileAtomically(path, (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()) ? 3 : 0;
}

std::optional<QString> DefaultApplications::queryMimeAppsList(const QString& mimeType) const
{
    QFile file(mimeAppsListPath());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool inGroup = false;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (isGroupHeader(line)) {
            inGroup = line.trimmed() == kGroup;
        } else if (inGroup && keyOf(line) == mimeType) {
            const QString value = line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
            const QString first = value.split(QLatin1Char(';'), Qt::SkipEmptyParts).value(0).trimmed();
            if (!first.isEmpty())
                return first;
        }
    }
    return std::nullopt;
}

} // namespace penwick::platform
