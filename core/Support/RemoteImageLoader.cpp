#include "Support/RemoteImageLoader.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QUrl>

#include <algorithm>

namespace penwick {

namespace {

const char* const kPendingName = "penwickPendingImage";

// Rides on a reply as its child, so it goes away with the reply however that ends.
class PendingImage : public QObject {
public:
    PendingImage(QNetworkReply* reply, QString urlString, RemoteImageLoader::Completion completion)
        : QObject(reply)
        , urlString(std::move(urlString))
        , completion(std::move(completion))
    {
        setObjectName(QString::fromLatin1(kPendingName));
    }
    const QString urlString;
    const RemoteImageLoader::Completion completion;
};

} // namespace

// ---------------------------------------------------------------------------------------------

RemoteImageCache::RemoteImageCache(qsizetype totalCostLimit)
    : m_images(std::max<qsizetype>(0, totalCostLimit))
{
}

std::optional<XImage> RemoteImageCache::object(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    const XImage* image = m_images.object(key);
    if (!image)
        return std::nullopt;
    return *image;
}

void RemoteImageCache::setObject(const XImage& image, const QString& key)
{
    QMutexLocker lock(&m_mutex);
    // The cache takes the copy and drops it at once when it alone exceeds the bound.
    m_images.insert(key, new XImage(image), std::max<qsizetype>(1, image.sizeInBytes()));
}

bool RemoteImageCache::contains(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    return m_images.contains(key);
}

void RemoteImageCache::removeAllObjects()
{
    QMutexLocker lock(&m_mutex);
    m_images.clear();
}

qsizetype RemoteImageCache::count() const
{
    QMutexLocker lock(&m_mutex);
    return m_images.size();
}

qsizetype RemoteImageCache::totalCost() const
{
    QMutexLocker lock(&m_mutex);
    return m_images.totalCost();
}

qsizetype RemoteImageCache::totalCostLimit() const
{
    QMutexLocker lock(&m_mutex);
    return m_images.maxCost();
}

void RemoteImageCache::setTotalCostLimit(qsizetype bytes)
{
    QMutexLocker lock(&m_mutex);
    m_images.setMaxCost(std::max<qsizetype>(0, bytes));
}

// ---------------------------------------------------------------------------------------------

RemoteImageLoader& RemoteImageLoader::sharedInstance()
{
    static RemoteImageLoader* const instance = [] {
        auto* loader = new RemoteImageLoader;
        // The loader itself is never released, but its thread must stop before the application goes.
        qAddPostRoutine([] { sharedInstance().stop(); });
        return loader;
    }();
    return *instance;
}

RemoteImageLoader::RemoteImageLoader()
    : m_cache(std::make_shared<RemoteImageCache>())
    , m_thread(new QThread)
{
    m_thread->setObjectName(QStringLiteral("RemoteImageLoader"));
    m_thread->start();
    auto* session = new QNetworkAccessManager;
    session->moveToThread(m_thread);
    attachSession(session);
    m_session = session;
}

RemoteImageLoader::~RemoteImageLoader()
{
    stop();
}

void RemoteImageLoader::stop()
{
    QNetworkAccessManager* session = nullptr;
    QThread* thread = nullptr;
    {
        QMutexLocker lock(&m_mutex);
        session = std::exchange(m_session, nullptr);
        thread = std::exchange(m_thread, nullptr);
    }
    if (!thread)
        return;
    if (session) {
        // Replies are children of the session and go with it, on the thread they live on.
        QMetaObject::invokeMethod(session, [session] { delete session; }, Qt::BlockingQueuedConnection);
    }
    thread->quit();
    thread->wait();
    delete thread;
}

void RemoteImageLoader::attachSession(QNetworkAccessManager* session)
{
    // Connected first, so that anyone watching the session's `finished` sees the reply handled.
    QObject::connect(session, &QNetworkAccessManager::finished, session, [this](QNetworkReply* reply) {
        auto* pending = static_cast<PendingImage*>(
            reply->findChild<QObject*>(QString::fromLatin1(kPendingName), Qt::FindDirectChildrenOnly));
        if (!pending)
            return;
        reply->deleteLater();
        if (!reply->isOpen())
            return; // given up (timed out or aborted): nothing arrived to try
        // The status and any error do not matter: whatever arrived is tried as an image.
        const XImage image = XImage::fromData(reply->readAll());
        if (image.isNull())
            return;
        imageCache()->setObject(image, pending->urlString);
        pending->completion(image);
    });
}

void RemoteImageLoader::getImage(const QString& urlString, Completion completion)
{
    if (const std::optional<XImage> cached = imageCache()->object(urlString)) {
        completion(*cached);
        return;
    }
    const QUrl url(urlString, QUrl::StrictMode);
    if (urlString.isEmpty() || !url.isValid())
        return;
    QNetworkAccessManager* session = urlSession();
    if (!session)
        return;
    QNetworkRequest request(url);
    request.setTransferTimeout(transferTimeout());
    QMetaObject::invokeMethod(
        session,
        [session, request, urlString, completion = std::move(completion)] {
            QNetworkReply* reply = session->get(request);
            new PendingImage(reply, urlString, completion);
        },
        Qt::QueuedConnection);
}

int RemoteImageLoader::transferTimeout() const
{
    QMutexLocker lock(&m_mutex);
    return m_transferTimeout;
}

void RemoteImageLoader::setTransferTimeout(int milliseconds)
{
    QMutexLocker lock(&m_mutex);
    m_transferTimeout = std::max(1, milliseconds);
}

std::shared_ptr<RemoteImageCache> RemoteImageLoader::imageCache() const
{
    QMutexLocker lock(&m_mutex);
    return m_cache;
}

void RemoteImageLoader::setImageCache(std::shared_ptr<RemoteImageCache> cache)
{
    QMutexLocker lock(&m_mutex);
    m_cache = cache ? std::move(cache) : std::make_shared<RemoteImageCache>();
}

QNetworkAccessManager* RemoteImageLoader::urlSession() const
{
    QMutexLocker lock(&m_mutex);
    return m_session;
}

void RemoteImageLoader::setUrlSession(std::unique_ptr<QNetworkAccessManager> session)
{
    if (!session)
        return;
    QMutexLocker lock(&m_mutex);
    if (!m_thread)
        return;
    QNetworkAccessManager* incoming = session.release();
    incoming->moveToThread(m_thread);
    attachSession(incoming);
    if (m_session)
        m_session->deleteLater();
    m_session = incoming;
}

} // namespace penwick
