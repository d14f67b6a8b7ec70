#include "Support/RemoteImageLoader.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QUrl>

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

std::optional<XImage> RemoteImageCache::object(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    auto it = m_images.constFind(key);
    if (it == m_images.cend())
        return std::nullopt;
    return it.value();
}

void RemoteImageCache::setObject(const XImage& image, const QString& key)
{
    QMutexLocker lock(&m_mutex);
    m_images.insert(key, image);
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
    QMetaObject::invokeMethod(
        session,
        [session, url, urlString, completion = std::move(completion)] {
            QNetworkReply* reply = session->get(QNetworkRequest(url));
            new PendingImage(reply, urlString, completion);
        },
        Qt::QueuedConnection);
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
