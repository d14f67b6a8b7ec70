#pragma once

#include "Support/XImage.h"

#include <QCache>
#include <QMutex>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QThread;

namespace penwick {

// In-memory images by URL string, safe to use from any thread. The key is the string exactly
// as the caller gave it. The decoded images may take up to a bound of memory; past it, the
// least recently used go first.
class RemoteImageCache {
public:
    static constexpr qsizetype kDefaultTotalCostLimit = 64 * 1024 * 1024; // bytes of decoded images

    explicit RemoteImageCache(qsizetype totalCostLimit = kDefaultTotalCostLimit);

    // A hit counts as a use.
    std::optional<XImage> object(const QString& key) const;
    // An image larger than the whole bound is not kept.
    void setObject(const XImage& image, const QString& key);
    bool contains(const QString& key) const;
    void removeAllObjects();
    qsizetype count() const;
    // Bytes of the decoded images held, and the bound they are kept within.
    qsizetype totalCost() const;
    qsizetype totalCostLimit() const;
    void setTotalCostLimit(qsizetype bytes);

private:
    mutable QMutex m_mutex;
    mutable QCache<QString, XImage> m_images;
};

// Loads images by URL through its own network thread and keeps them in a cache.
class RemoteImageLoader {
public:
    using Completion = std::function<void(const XImage&)>;

    // The process-wide loader, created on first use (also when threads race) and never released.
    static RemoteImageLoader& sharedInstance();

    // A loader with an empty cache and a new session.
    RemoteImageLoader();
    ~RemoteImageLoader();
    RemoteImageLoader(const RemoteImageLoader&) = delete;
    RemoteImageLoader& operator=(const RemoteImageLoader&) = delete;

    // A cached image is answered at once, on the caller's thread, before this returns. Otherwise
    // the URL is fetched and `completion` runs on the loader's network thread with the decoded
    // image. An invalid URL, a failed transfer or a body that is no image never calls it.
    void getImage(const QString& urlString, Completion completion);

    // A transfer that has not finished after this long is given up (no callback).
    static constexpr int kDefaultTransferTimeout = 30000; // ms
    int transferTimeout() const;
    void setTransferTimeout(int milliseconds);

    std::shared_ptr<RemoteImageCache> imageCache() const;
    void setImageCache(std::shared_ptr<RemoteImageCache> cache);
    // The session lives on the loader's network thread; its `finished` signal is emitted there,
    // after the loader has handled the reply.
    QNetworkAccessManager* urlSession() const;
    // Takes a session that has no parent and lives on the calling thread.
    void setUrlSession(std::unique_ptr<QNetworkAccessManager> session);

private:
    void attachSession(QNetworkAccessManager* session);
    void stop();

    mutable QMutex m_mutex;
    std::shared_ptr<RemoteImageCache> m_cache;
    QNetworkAccessManager* m_session = nullptr; // lives on m_thread, deleted there
    QThread* m_thread = nullptr;
    int m_transferTimeout = kDefaultTransferTimeout;
};

} // namespace penwick
