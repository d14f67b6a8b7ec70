// Cold start of the real program, to its first editable window: with a stored session of ten
// tabs (files of 10 KB to 1 MB), against a start on one empty document. "Editable" is when the
// window lists its tabs on the session bus; each start is a new process in fresh folders, on the
// offscreen platform, with a private bus.
// On an X server (DISPLAY set) the session of ten tabs also starts on it, and is timed until
// what a person waits for is on the screen: the front tab highlighted (the editor theme's
// heading colour shows) and its preview painted (the preview style's text colour shows), read
// from the screen's pixels.
// Usage: bench_startup [runs]
#include "BenchSupport.h"

#include "platform/UserDefaults.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <algorithm>
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

    // The stored session: these files as the tabs of the last run. What's New is taken as
    // seen, so that its window covers nothing.
    void storeSession(const QStringList& paths)
    {
        penwick::platform::UserDefaults settings(root() + QStringLiteral("/xdg_config_home/Penwick/Penwick.plist"));
        QVariantList urls;
        for (const QString& path : paths)
            urls.append(QUrl::fromLocalFile(path).toString());
        settings.setValue(QStringLiteral("lastSessionDocuments"), urls);
        settings.setValue(QStringLiteral("whatsNewVersion"), bundledDefault(QStringLiteral("whatsNewRealVersion")));
    }

    struct Shown {
        double highlighted = NAN; // the front tab's heading in the theme's colour
        double previewed = NAN; // the text of its preview
    };
    // Milliseconds from the start of the process on the X server until the screen shows the
    // front tab highlighted and its preview painted.
    Shown timeToShown()
    {
        QProcessEnvironment environment = m_environment;
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        QProcess penwick;
        penwick.setProcessEnvironment(environment);
        penwick.setWorkingDirectory(root());
        penwick.setStandardOutputFile(QProcess::nullDevice());
        penwick.setStandardErrorFile(QProcess::nullDevice());
        Shown shown;
        QElapsedTimer clock;
        clock.start();
        penwick.start(QStringLiteral(PENWICK_PROGRAM), {});
        while (clock.elapsed() < 120000 && (std::isnan(shown.highlighted) || std::isnan(shown.previewed))) {
            const double at = double(clock.nsecsElapsed()) / 1e6;
            const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
            // Both colours fill the strokes of many letters once shown: the editor's bold
            // heading (Penwick Light), the preview's text (the Penwick style); neither is used
            // by the other.
            if (std::isnan(shown.highlighted) && pixelsOf(screen, 0x0B3D91) >= 100)
                shown.highlighted = at;
            if (std::isnan(shown.previewed) && pixelsOf(screen, 0x24292F) >= 1000)
                shown.previewed = at;
            QThread::msleep(10);
        }
        penwick.terminate();
        penwick.waitForFinished(30000);
        return shown;
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
    static int pixelsOf(const QImage& image, QRgb colour)
    {
        int count = 0;
        const QRgb wanted = 0xff000000 | colour;
        for (int y = 0; y < image.height(); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            count += int(std::count(line, line + image.width(), wanted));
        }
        return count;
    }

    // A value of the program's registered defaults, read from their file.
    static QString bundledDefault(const QString& key)
    {
        QFile file(QStringLiteral(PENWICK_DEFAULTS));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QRegularExpression entry(QStringLiteral("<key>") + QRegularExpression::escape(key) + QStringLiteral("</key>\\s*<string>([^<]*)</string>"));
        return entry.match(QString::fromUtf8(file.readAll())).captured(1);
    }

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

namespace {

QStringList writeTenDocuments(const QString& folder)
{
    QStringList paths;
    for (int i = 0; i < 10; ++i) {
        // 10 KB to 1 MB, evenly on a logarithmic scale.
        const qsizetype bytes = qsizetype(10 * 1024 * std::pow(100.0, i / 9.0));
        const QString path = folder + QStringLiteral("/doc%1.md").arg(i);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(penwick::bench::repeatedParagraphs(kParagraphs, bytes).toUtf8().left(bytes));
        paths.append(path);
    }
    return paths;
}

} // namespace

int main(int argc, char* argv[])
{
    // The screen is read from the X server when there is one.
    const bool onX = !qEnvironmentVariableIsEmpty("DISPLAY");
    qputenv("QT_QPA_PLATFORM", onX ? "xcb" : "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::vector<double> empty;
    std::vector<double> tenTabs;
    std::vector<double> highlighted, previewed, both;
    for (int run = 0; run < runs; ++run) {
        {
            Session session;
            empty.push_back(session.timeToTabs(1));
        }
        {
            Session session;
            session.storeSession(writeTenDocuments(session.root()));
            tenTabs.push_back(session.timeToTabs(10));
        }
        if (onX) {
            Session session;
            session.storeSession(writeTenDocuments(session.root()));
            const Session::Shown shown = session.timeToShown();
            highlighted.push_back(shown.highlighted);
            previewed.push_back(shown.previewed);
            both.push_back(std::isnan(shown.highlighted) || std::isnan(shown.previewed) ? NAN : std::max(shown.highlighted, shown.previewed));
        }
    }
    penwick::bench::reportMedianAndP95("cold start, one empty document", empty);
    penwick::bench::reportMedianAndP95("cold start, session of 10 tabs (10 KB - 1 MB)", tenTabs);
    if (onX) {
        penwick::bench::reportMedianAndP95("10 tabs on X: front tab highlighted", highlighted);
        penwick::bench::reportMedianAndP95("10 tabs on X: front tab's preview painted", previewed);
        penwick::bench::reportMedianAndP95("10 tabs on X: both (what a person waits for)", both);
    } else {
        std::printf("(no DISPLAY: the times to the highlighted and previewed front tab need an X server)\n");
    }
    return 0;
}
