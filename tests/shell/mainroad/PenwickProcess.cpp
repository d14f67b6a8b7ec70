#include "PenwickProcess.h"

#include "TestSupport.h"
#include "XvfbServer.h"
#include "platform/UserDefaults.h"
#include "common/Prefs.h"

#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

namespace penwick::test {

PenwickSession::PenwickSession()
    : m_home(temporaryFolder())
{
    m_environment = QProcessEnvironment::systemEnvironment();
    const QString runtime = m_home + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_environment.insert(QStringLiteral("HOME"), m_home);
    m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    for (const char* name : { "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME" }) {
        const QString folder = m_home + QLatin1Char('/') + QString::fromLatin1(name).toLower();
        QDir().mkpath(folder);
        m_environment.insert(QString::fromLatin1(name), folder);
    }
    m_environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus.address());
    if (XvfbServer* server = XvfbServer::current()) {
        m_environment.insert(QStringLiteral("DISPLAY"), server->display());
        m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    }
    m_environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    // What's New has been seen for this version, so that no modal page waits at launch.
    platform::UserDefaults settings(settingsPath());
    settings.setValue(Prefs::WHATS_NEW_VERSION, platform::UserDefaults::standard().object(Prefs::WHATS_NEW_REAL_VERSION));
}

PenwickSession::~PenwickSession()
{
    for (auto& process : m_launched) {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(20000))
                process->kill();
        }
    }
}

QString PenwickSession::settingsPath() const
{
    return m_home + QStringLiteral("/xdg_config_home/Penwick/Penwick.plist");
}

QProcess& PenwickSession::launch(const QStringList& arguments)
{
    m_launched.push_back(start(arguments));
    return *m_launched.back();
}

std::unique_ptr<QProcess> PenwickSession::start(const QStringList& arguments, const QString& workingDirectory,
    const QString& program, const QString& outputFile, const QString& errorFile)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(m_environment);
    process->setWorkingDirectory(workingDirectory.isEmpty() ? m_home : workingDirectory);
    // What does not go to a file goes to the test's output, so that a full pipe never stops it.
    if (outputFile.isEmpty())
        process->setProcessChannelMode(errorFile.isEmpty() ? QProcess::ForwardedChannels : QProcess::ForwardedOutputChannel);
    else
        process->setProcessChannelMode(errorFile.isEmpty() ? QProcess::ForwardedErrorChannel : QProcess::SeparateChannels);
    if (!outputFile.isEmpty())
        process->setStandardOutputFile(outputFile);
    if (!errorFile.isEmpty())
        process->setStandardErrorFile(errorFile);
    process->start(program.isEmpty() ? QStringLiteral(PENWICK_PROGRAM) : program, arguments);
    process->waitForStarted(10000);
    return process;
}

QJsonArray PenwickSession::windows()
{
    const QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("org.penwick.Penwick"),
        QStringLiteral("/org/penwick/Penwick"), QStringLiteral("org.penwick.Penwick.Documents"), QStringLiteral("Windows"));
    QDBusPendingReply<QString> reply = m_bus.connect(QStringLiteral("probe")).asyncCall(message);
    if (!waitUntil([&] { return reply.isFinished(); }, 5000) || !reply.isValid())
        return {};
    return QJsonDocument::fromJson(reply.value().toUtf8()).array();
}

QList<QStringList> PenwickSession::tabNames()
{
    QList<QStringList> names;
    for (const QJsonValue& window : windows()) {
        QStringList tabs;
        for (const QJsonValue& document : window.toObject().value(QStringLiteral("documents")).toArray())
            tabs.append(document.toObject().value(QStringLiteral("name")).toString());
        names.append(tabs);
    }
    return names;
}

QString PenwickSession::xdotool(const QStringList& arguments)
{
    QProcess tool;
    tool.setProcessEnvironment(m_environment);
    tool.start(QStringLiteral("xdotool"), arguments);
    tool.waitForFinished(20000);
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

QString PenwickSession::windowOf(const QProcess& process)
{
    const QStringList ids = xdotool({ QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                        QString::number(process.processId()) })
                                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // The document window is the largest of them.
    QString largest;
    int largestArea = 0;
    for (const QString& id : ids) {
        const QRect geometry = geometryOf(id);
        if (geometry.width() * geometry.height() > largestArea) {
            largestArea = geometry.width() * geometry.height();
            largest = id;
        }
    }
    return largest;
}

QString PenwickSession::focusWindowOf(const QProcess& process)
{
    QString window;
    if (!waitUntil([&] { return !(window = windowOf(process)).isEmpty(); }, 60000))
        return {};
    // A window mapped a moment ago may not take the focus yet: ask until it has it. Qt replaces
    // a shown window's X window when its first web view arrives (a restored tab's preview), and
    // with no window manager nothing gives the new one the focus: so the window is looked up
    // again on every try.
    const bool focused = waitUntil([&] {
        window = windowOf(process);
        if (window.isEmpty())
            return false;
        xdotool({ QStringLiteral("windowfocus"), window });
        return xdotool({ QStringLiteral("getwindowfocus") }) == window;
    }, 20000);
    return focused ? window : QString();
}

QRect PenwickSession::geometryOf(const QString& window)
{
    // "X=10\nY=20\nWIDTH=300\nHEIGHT=200\nSCREEN=0"
    QMap<QString, int> values;
    for (const QString& line : xdotool({ QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window }).split(QLatin1Char('\n')))
        values.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1).toInt());
    return QRect(values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")), values.value(QStringLiteral("WIDTH")),
        values.value(QStringLiteral("HEIGHT")));
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool hasEnded(const QProcess& process, int timeoutMs)
{
    return waitUntil([&] { return process.state() == QProcess::NotRunning; }, timeoutMs);
}

} // namespace penwick::test
