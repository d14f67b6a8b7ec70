// The real program started on one large Markdown file (30 MB unless told otherwise): the time
// until its window lists the tab, and its resident memory then and once it has settled (the
// highlighter's first parse done), against the file's size, in all and over the program's own
// resident set (the same start on a file of 1 KB). The aim: under 10x the file.
// Each run is a new process in fresh folders, on the offscreen platform, with a private bus.
// Usage: bench_open_large [megabytes] [runs]
#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

const char* const kParagraphs[] = {
    "# A heading of the notes\n\nSome *emphasis*, some **strong** text and a [link](https://example.org).\n\n",
    "- an item of a list\n- another item with `code`\n\n",
    "> A quoted line that goes on for a while, as quoted lines do in notes.\n\n",
    "```cpp\nint main() { return 0; }\n```\n\n",
    "Plain prose that runs on for a while, as most of a long document does, with nothing to mark.\n\n",
};

struct Memory {
    double residentMiB = 0;
    double peakMiB = 0;
};

Memory memoryOf(qint64 pid)
{
    Memory memory;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return memory;
    for (const QByteArray& line : status.readAll().split('\n')) {
        const auto kib = [&](const char* key) { return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toDouble() / 1024.0; };
        if (line.startsWith("VmRSS:"))
            memory.residentMiB = kib("VmRSS:");
        else if (line.startsWith("VmHWM:"))
            memory.peakMiB = kib("VmHWM:");
    }
    return memory;
}

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

    struct Run {
        double shownMs = 0;
        Memory shown;
        Memory settled;
    };

    Run open(const QString& path)
    {
        Run run;
        QProcess penwick;
        penwick.setProcessEnvironment(m_environment);
        penwick.setWorkingDirectory(root());
        penwick.setStandardOutputFile(QProcess::nullDevice());
        penwick.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        penwick.start(QStringLiteral(PENWICK_PROGRAM), { path });
        if (!penwick::bench::waitFor([&] { return listedTabs() >= 1; }, 300000))
            return run;
        run.shownMs = double(clock.nsecsElapsed()) / 1e6;
        run.shown = memoryOf(penwick.processId());
        // Settled: the resident set no longer grows over two seconds.
        double last = -1;
        for (int i = 0; i < 60 && run.settled.residentMiB != last; ++i) {
            last = run.settled.residentMiB;
            QThread::msleep(2000);
            run.settled = memoryOf(penwick.processId());
        }
        penwick.terminate();
        penwick.waitForFinished(30000);
        return run;
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
    QString m_name = QStringLiteral("open-large-probe");
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int megabytes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const qsizetype bytes = qsizetype(megabytes) * 1024 * 1024;
    std::vector<double> shownMs, shownRss, settledRss, peakRss, baseRss;
    for (int i = 0; i < runs; ++i) {
        // The program's own memory: the same start on a file of a few paragraphs.
        for (const qsizetype size : { qsizetype(1024), bytes }) {
            Session session;
            const QString path = session.root() + QStringLiteral("/large.md");
            {
                QFile file(path);
                if (!file.open(QIODevice::WriteOnly))
                    return 1;
                file.write(penwick::bench::repeatedParagraphs(kParagraphs, size).toUtf8().left(size));
            }
            const Session::Run run = session.open(path);
            if (size != bytes) {
                baseRss.push_back(run.settled.residentMiB);
                continue;
            }
            shownMs.push_back(run.shownMs);
            shownRss.push_back(run.shown.residentMiB);
            settledRss.push_back(run.settled.residentMiB);
            peakRss.push_back(run.settled.peakMiB);
        }
    }
    const double fileMiB = double(bytes) / (1024.0 * 1024.0);
    const double base = median(baseRss);
    const auto print = [&](const char* label, double mib) {
        std::printf("%-40s median %8.1f MiB (%.1fx the file; %.1fx over the program's own)\n", label, mib, mib / fileMiB,
            (mib - base) / fileMiB);
    };
    std::printf("open a %d MB file: time to its tab      median %8.1f ms\n", megabytes, median(shownMs));
    std::printf("%-40s median %8.1f MiB (a 1 KB file, settled)\n", "the program's own resident set", base);
    print("resident set when the tab is listed", median(shownRss));
    print("resident set once settled", median(settledRss));
    print("peak resident set", median(peakRss));
    std::printf("(%d runs)\n", runs);
    return 0;
}
