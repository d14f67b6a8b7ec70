// Cold start of the real program, to its first editable window: with a stored session of ten
// tabs (files of 10 KB to 1 MB), against a start on one empty document. "Editable" is when the
// window lists its tabs on the session bus; each start is a new process in fresh folders, on the
// offscreen platform, with a private bus.
#include "BenchSupport.h"

#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

const char* const kParagraphs[] = {
    "# A heading of the notes\n\nSome *emphasis*, some **strong** text and a [link](https://example.org).\n\n",
    "- an item of a list\n- another item with `code`\n\n",
    "> A quoted line that goes on for a while, as quoted lines do in notes.\n\n",
    "```cpp\nint main() { return 0; }\n```\n\n",
};

class Session {
public:
    Session()
    {
        const QString root = m_folder.path();
        m_environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : { "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR" }) {
            const QString folder = root + QLatin1Char('/') + QString::fromLatin1(name).toLower();
            QDir().mkpath(folder);
            m_environment.insert(QString::fromLatin1(name), folder);
        }
        QFile::setPermissions(root + QStringLiteral("/xdg_runtime_dir"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_environment.insert(QStringLiteral("HOME"), root);
        m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_bus.start(QStringLiteral("dbus-daemon"), { QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1") });
        m_bus.waitForReadyRead(10000);
        m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
        m_environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
    }
    ~Session()
    {
        QDBusConnection::disconnectFromBus(m_name);
        m_bus.kill();
        m_bus.waitForFinished(5000);
    }
    QString root() const { return m_folder.path(); }

    // The stored session: these files as the tabs of the last run.
    void storeSession(const QStringList& paths)
    {
        penwick::platform::UserDefaults settings(root() + QStringLiteral("/xdg_config_home/Penwick/Penwick.plist"));
        QVariantList urls;
        for (const QString& path : paths)
            urls.append(QUrl::fromLocalFile(path).toString());
        settings.setValue(QStringLiteral("lastSessionDocuments"), urls);
    }

    // Milliseconds from the start of the process until its window lists `tabs` documents.
    double timeToTabs(int tabs)
    {
        QProcess penwick;
        penwick.setProcessEnvironment(m_environment);
        penwick.setWorkingDirectory(root());
        penwick.setStandardOutputFile(QProcess::nullDevice());
        penwick.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        penwick.start(QStringLiteral(PENWICK_PROGRAM), {});
        const bool ready = penwick::bench::waitFor([&] { return listedTabs() >= tabs; }, 120000);
        const double elapsed = double(clock.nsecsElapsed()) / 1e6;
        penwick.terminate();
        penwick.waitForFinished(30000);
        return ready ? elapsed : NAN;
    }

private:
    int listedTabs()
    {
        QDBusConnection bus = QDBusConnection::connectToBus(m_address, m_name);
        const QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.penwick.Penwick"),
            QStringLiteral("/org/penwick/Penwick"), QStringLiteral("org.penwick.Penwick.Documents"), QStringLiteral("Windows"));
        const QDBusMessage reply = bus.call(call, QDBus::Block, 1000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return 0;
        const QJsonArray windows = QJsonDocument::fromJson(reply.arguments().first().toString().toUtf8()).array();
        return windows.isEmpty() ? 0 : int(windows.first().toObject().value(QStringLiteral("documents")).toArray().size());
    }

    QTemporaryDir m_folder;
    QProcessEnvironment m_environment;
    QProcess m_bus;
    QString m_address;
    QString m_name = QStringLiteral("startup-probe");
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::vector<double> empty;
    std::vector<double> tenTabs;
    for (int run = 0; run < runs; ++run) {
        {
            Session session;
            empty.push_back(session.timeToTabs(1));
        }
        {
            Session session;
            QStringList paths;
            for (int i = 0; i < 10; ++i) {
                // 10 KB to 1 MB, evenly on a logarithmic scale.
                const qsizetype bytes = qsizetype(10 * 1024 * std::pow(100.0, i / 9.0));
                const QString path = session.root() + QStringLiteral("/doc%1.md").arg(i);
                QFile file(path);
                file.open(QIODevice::WriteOnly);
                file.write(penwick::bench::repeatedParagraphs(kParagraphs, bytes).toUtf8().left(bytes));
                paths.append(path);
            }
            session.storeSession(paths);
            tenTabs.push_back(session.timeToTabs(10));
        }
    }
    penwick::bench::reportMedianAndP95("cold start, one empty document", empty);
    penwick::bench::reportMedianAndP95("cold start, session of 10 tabs (10 KB - 1 MB)", tenTabs);
    return 0;
}
