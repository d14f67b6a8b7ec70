#include "Support/QLabel+RemoteImage.h"
#include "Support/RemoteImageLoader.h"

#include "TestSupport.h"

#include <QApplication>
#include <QBuffer>
#include <QLabel>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPixmap>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <gtest/gtest.h>

#include <atomic>

using namespace penwick;

namespace {

QByteArray pngOf(int width, int height, Qt::GlobalColor color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A tiny HTTP server on loopback that answers fixed routes and counts the requests per path.
class ImageServer {
public:
    struct Response {
        int status = 200;
        QByteArray contentType;
        QByteArray body;
    };

    ImageServer()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                serve(socket);
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    bool isListening() const { return m_server.isListening(); }
    void route(const QString& path, Response response) { m_routes.insert(path, std::move(response)); }
    QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    // The shared loader outlives every test: a URL of its own keeps its cache from answering.
    QString uniqueUrl(const QString& path) const
    {
        static int counter = 0;
        return url(path) + QStringLiteral("?unique=%1").arg(++counter);
    }
    int requests(const QString& path) const { return m_counts.value(path); }
    int totalRequests() const
    {
        int total = 0;
        for (int n : m_counts)
            total += n;
        return total;
    }

private:
    void serve(QTcpSocket* socket)
    {
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            buffer->append(socket->readAll());
            if (!buffer->contains("\r\n\r\n"))
                return;
            const QList<QByteArray> requestLine = buffer->left(buffer->indexOf("\r\n")).split(' ');
            // Queries only tell requests apart for the loader's cache; routes and counts go by path.
            const QString path = QString::fromLatin1(requestLine.value(1)).section(QLatin1Char('?'), 0, 0);
            buffer->clear();
            ++m_counts[path];
            const Response response = m_routes.value(path, Response { 404, "text/plain", "not found" });
            if (response.status == 0)
                return; // a server that never answers
            QByteArray reply = "HTTP/1.1 " + QByteArray::number(response.status) + " Whatever\r\n";
            reply += "Content-Type: " + response.contentType + "\r\n";
            reply += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
            reply += "Connection: close\r\n\r\n";
            reply += response.body;
            socket->write(reply);
            socket->disconnectFromHost();
        });
    }

    QTcpServer m_server;
    QHash<QString, Response> m_routes;
    QHash<QString, int> m_counts;
};

// Counts the replies a loader's session has finished; the loader handles each reply before this
// sees it, so a count reached means the loader is done with that many replies.
class FinishedCounter {
public:
    explicit FinishedCounter(RemoteImageLoader& loader)
    {
        m_connection = QObject::connect(loader.urlSession(), &QNetworkAccessManager::finished,
                                        [this](QNetworkReply*) { ++m_count; });
    }
    ~FinishedCounter() { QObject::disconnect(m_connection); }
    int count() const { return m_count.load(); }

private:
    std::atomic<int> m_count { 0 };
    QMetaObject::Connection m_connection;
};

// What a completion received, written from whichever thread ran it.
struct Received {
    QMutex mutex;
    int calls = 0;
    QSize size;
    QThread* thread = nullptr;

    RemoteImageLoader::Completion completion()
    {
        return [this](const XImage& image) {
            QMutexLocker lock(&mutex);
            ++calls;
            size = image.size();
            thread = QThread::currentThread();
        };
    }
    int callCount()
    {
        QMutexLocker lock(&mutex);
        return calls;
    }
};

class RemoteImageLoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.isListening());
        server.route("/image.png", { 200, "image/png", pngOf(3, 2, Qt::blue) });
        server.route("/other.png", { 200, "image/png", pngOf(5, 4, Qt::green) });
        server.route("/text", { 200, "text/html", "<html><body>no image here</body></html>" });
        server.route("/empty", { 200, "image/png", QByteArray() });
        server.route("/error-page-image.png", { 404, "image/png", pngOf(7, 7, Qt::red) });
        server.route("/silent", { 0, {}, {} });
    }

    ImageServer server;
};

QSize pixmapSize(const QLabel& label)
{
    return label.pixmap().size();
}

} // namespace

TEST_F(RemoteImageLoaderTest, DownloadsOnceThenAnswersFromTheCacheAtOnce)
{
    RemoteImageLoader loader;
    const QString url = server.url("/image.png");

    Received first;
    loader.getImage(url, first.completion());
    ASSERT_TRUE(test::waitUntil([&] { return first.callCount() == 1; }));
    EXPECT_EQ(first.size, QSize(3, 2));
    EXPECT_NE(first.thread, QThread::currentThread()) << "a download completes off the caller's thread";
    EXPECT_TRUE(loader.imageCache()->contains(url));
    EXPECT_EQ(server.requests("/image.png"), 1);

    Received second;
    loader.getImage(url, second.completion());
    // Answered before getImage returned, on this thread, without the event loop running.
    EXPECT_EQ(second.callCount(), 1);
    EXPECT_EQ(second.thread, QThread::currentThread());
    EXPECT_EQ(second.size, QSize(3, 2));
    EXPECT_EQ(server.requests("/image.png"), 1) << "a cached URL makes no request";
}

TEST_F(RemoteImageLoaderTest, BodiesThatAreNoImageGiveNoCallbackAndCacheNothing)
{
    RemoteImageLoader loader;
    FinishedCounter finished(loader);
    const char* paths[] = { "/text", "/empty", "/missing" };
    int expectedFinished = 0;
    for (const char* path : paths) {
        SCOPED_TRACE(path);
        Received received;
        loader.getImage(server.url(path), received.completion());
        ++expectedFinished;
        ASSERT_TRUE(test::waitUntil([&] { return finished.count() == expectedFinished; }));
        EXPECT_EQ(server.requests(path), 1);
        EXPECT_EQ(received.callCount(), 0);
        EXPECT_FALSE(loader.imageCache()->contains(server.url(path)));
    }
    EXPECT_EQ(loader.imageCache()->count(), 0);
}

TEST_F(RemoteImageLoaderTest, InvalidUrlsMakeNoRequestAndNoCallback)
{
    RemoteImageLoader loader;
    FinishedCounter finished(loader);
    const QString invalid[] = {
        QString(),
        QStringLiteral("http://exa mple.com/a.png"),
        QStringLiteral("http://[::1/a.png"),
        server.url("/image.png").replace("/image.png", "/im age.png"),
    };
    Received rejected;
    for (const QString& url : invalid)
        loader.getImage(url, rejected.completion());
    EXPECT_EQ(rejected.callCount(), 0);

    // A valid request issued afterwards is the only one the session ever sees.
    Received fence;
    loader.getImage(server.url("/image.png"), fence.completion());
    ASSERT_TRUE(test::waitUntil([&] { return fence.callCount() == 1; }));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(server.totalRequests(), 1);
    EXPECT_EQ(rejected.callCount(), 0);
    EXPECT_EQ(loader.imageCache()->count(), 1);
}

TEST_F(RemoteImageLoaderTest, AnErrorPageThatDecodesAsAnImageIsUsed)
{
    RemoteImageLoader loader;
    Received received;
    loader.getImage(server.url("/error-page-image.png"), received.completion());
    ASSERT_TRUE(test::waitUntil([&] { return received.callCount() == 1; }));
    EXPECT_EQ(received.size, QSize(7, 7));
    EXPECT_TRUE(loader.imageCache()->contains(server.url("/error-page-image.png")));
}

TEST_F(RemoteImageLoaderTest, OverlappingRequestsForOneUrlBothDownload)
{
    RemoteImageLoader loader;
    Received a;
    Received b;
    loader.getImage(server.url("/other.png"), a.completion());
    loader.getImage(server.url("/other.png"), b.completion());
    ASSERT_TRUE(test::waitUntil([&] { return a.callCount() == 1 && b.callCount() == 1; }));
    EXPECT_EQ(server.requests("/other.png"), 2);
    EXPECT_EQ(loader.imageCache()->count(), 1);
}

TEST_F(RemoteImageLoaderTest, TheCacheKeyIsTheStringAsGiven)
{
    RemoteImageLoader loader;
    Received plain;
    loader.getImage(server.url("/image.png"), plain.completion());
    ASSERT_TRUE(test::waitUntil([&] { return plain.callCount() == 1; }));
    Received withQuery;
    loader.getImage(server.url("/image.png?"), withQuery.completion());
    EXPECT_EQ(withQuery.callCount(), 0) << "a differently written URL is not a cache hit";
    ASSERT_TRUE(test::waitUntil([&] { return withQuery.callCount() == 1; }));
    EXPECT_EQ(server.requests("/image.png"), 2);
    EXPECT_EQ(loader.imageCache()->count(), 2);
}

TEST_F(RemoteImageLoaderTest, TheSharedLoaderIsCreatedOnceAcrossThreads)
{
    QList<QFuture<RemoteImageLoader*>> futures;
    for (int i = 0; i < 8; ++i)
        futures << QtConcurrent::run([] { return &RemoteImageLoader::sharedInstance(); });
    for (auto& f : futures)
        EXPECT_EQ(f.result(), &RemoteImageLoader::sharedInstance());
}

TEST_F(RemoteImageLoaderTest, TheViewShowsThePlaceholderFirstThenTheImage)
{
    FinishedCounter finished(RemoteImageLoader::sharedInstance());
    QLabel view;
    const XImage placeholder(QImage(1, 1, QImage::Format_RGB32));
    const QString url = server.uniqueUrl("/image.png");

    loadImage(&view, url, placeholder);
    EXPECT_EQ(pixmapSize(view), QSize(1, 1));
    ASSERT_TRUE(test::waitUntil([&] { return pixmapSize(view) == QSize(3, 2); }));
    EXPECT_EQ(server.requests("/image.png"), 1);

    // Cached now: no request, and still the placeholder until the main loop turns.
    QLabel second;
    loadImage(&second, url, placeholder);
    EXPECT_EQ(pixmapSize(second), QSize(1, 1));
    QCoreApplication::processEvents();
    EXPECT_EQ(pixmapSize(second), QSize(3, 2));
    EXPECT_EQ(server.requests("/image.png"), 1);
    EXPECT_EQ(finished.count(), 1);
}

TEST_F(RemoteImageLoaderTest, TheViewKeepsItsPlaceholderWhenNothingLoads)
{
    FinishedCounter finished(RemoteImageLoader::sharedInstance());
    QLabel view;
    const XImage placeholder(QImage(2, 2, QImage::Format_RGB32));
    loadImage(&view, server.uniqueUrl("/text"), placeholder);
    ASSERT_TRUE(test::waitUntil([&] { return finished.count() == 1; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(pixmapSize(view), QSize(2, 2));

    loadImage(&view, QStringLiteral("http://bad host/x.png"), placeholder);
    QCoreApplication::processEvents();
    EXPECT_EQ(pixmapSize(view), QSize(2, 2));
}

TEST_F(RemoteImageLoaderTest, ANullPlaceholderClearsTheViewUntilTheImageArrives)
{
    QLabel view;
    view.setPixmap(QPixmap::fromImage(QImage(9, 9, QImage::Format_RGB32)));
    loadImage(&view, server.uniqueUrl("/other.png"));
    EXPECT_TRUE(view.pixmap().isNull());
    ASSERT_TRUE(test::waitUntil([&] { return pixmapSize(view) == QSize(5, 4); }));
}

TEST_F(RemoteImageLoaderTest, AViewThatIsGoneIsLeftAlone)
{
    FinishedCounter finished(RemoteImageLoader::sharedInstance());
    server.route("/late.png", { 200, "image/png", pngOf(4, 4, Qt::yellow) });
    auto* view = new QLabel;
    const QString url = server.uniqueUrl("/late.png");
    loadImage(view, url);
    delete view;
    ASSERT_TRUE(test::waitUntil([&] { return finished.count() == 1; }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(RemoteImageLoader::sharedInstance().imageCache()->contains(url));
}

TEST_F(RemoteImageLoaderTest, ATransferThatNeverEndsIsGivenUp)
{
    RemoteImageLoader loader;
    EXPECT_EQ(loader.transferTimeout(), 30000);
    loader.setTransferTimeout(200);
    FinishedCounter finished(loader);
    Received received;
    loader.getImage(server.url("/silent"), received.completion());
    ASSERT_TRUE(test::waitUntil([&] { return finished.count() == 1; }));
    EXPECT_EQ(server.requests("/silent"), 1);
    EXPECT_EQ(received.callCount(), 0);
    EXPECT_FALSE(loader.imageCache()->contains(server.url("/silent")));
}

TEST_F(RemoteImageLoaderTest, TheCacheKeepsWithinItsBoundDroppingTheLeastRecentlyUsed)
{
    EXPECT_EQ(RemoteImageCache().totalCostLimit(), 64 * 1024 * 1024);
    const XImage image = XImage::fromData(pngOf(10, 10, Qt::blue)); // 400 bytes decoded
    ASSERT_EQ(image.sizeInBytes(), 400);
    RemoteImageCache cache(1000);
    cache.setObject(image, "a");
    cache.setObject(image, "b");
    EXPECT_TRUE(cache.object("a")); // "a" is now the more recently used
    cache.setObject(image, "c");
    EXPECT_TRUE(cache.contains("a"));
    EXPECT_FALSE(cache.contains("b"));
    EXPECT_TRUE(cache.contains("c"));
    EXPECT_EQ(cache.count(), 2);
    EXPECT_EQ(cache.totalCost(), 800);
    // An image larger than the whole bound is not kept, and evicts nothing.
    cache.setObject(XImage::fromData(pngOf(30, 30, Qt::red)), "huge");
    EXPECT_FALSE(cache.contains("huge"));
    EXPECT_EQ(cache.count(), 2);
    cache.setTotalCostLimit(400);
    EXPECT_EQ(cache.count(), 1);
    EXPECT_LE(cache.totalCost(), 400);
}
