#include "platform/web/PageScheme.h"

#include "platform/StandardLocations.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

namespace penwick::platform {

const QByteArray PageScheme::name = QByteArrayLiteral("pwpage");

namespace {

const QString kPageQuery = QStringLiteral("penwick-page=");

QString asFolder(const QString& path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

// Where `path` really is, or "" when nothing is there.
QString canonical(const QString& path)
{
    return QFileInfo(path).canonicalFilePath();
}

QByteArray contentType(const QString& file)
{
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
        return QByteArrayLiteral("text/html;charset=utf-8");
    if (suffix == QLatin1String("js") || suffix == QLatin1String("mjs"))
        return QByteArrayLiteral("text/javascript");
    if (suffix == QLatin1String("css"))
        return QByteArrayLiteral("text/css");
    if (suffix == QLatin1String("svg"))
        return QByteArrayLiteral("image/svg+xml");
    static const QMimeDatabase mimes;
    return mimes.mimeTypeForFile(file, QMimeDatabase::MatchExtension).name().toUtf8();
}

} // namespace

void PageScheme::registerScheme()
{
    static bool registered = false;
    if (std::exchange(registered, true))
        return;
    QWebEngineUrlScheme scheme(name);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    // No local access: with it, every CORS request of a page (module scripts, JSON imports,
    // images and style sheets marked crossorigin) may read any file: address. Not CORS-enabled
    // either: no origin reads what another is served.
    scheme.setFlags({});
    QWebEngineUrlScheme::registerScheme(scheme);
}

PageScheme::PageScheme(QObject* parent)
    : QWebEngineUrlSchemeHandler(parent)
{
    addSharedFolder(resourcesDirectory());
    addSharedFolder(QStringLiteral("/usr/share/javascript")); // MathJax and other script libraries
}

void PageScheme::addSharedFolder(const QString& folder)
{
    const QString real = canonical(folder);
    if (!real.isEmpty() && QFileInfo(real).isDir() && !m_shared.contains(asFolder(real)))
        m_shared.append(asFolder(real));
}

void PageScheme::addSharedFile(const QString& file)
{
    const QString real = canonical(file);
    if (!real.isEmpty() && !m_sharedFiles.contains(real))
        m_sharedFiles.append(real);
}

bool PageScheme::isShared(const QString& canonicalPath) const
{
    if (m_sharedFiles.contains(canonicalPath))
        return true;
    return std::any_of(m_shared.cbegin(), m_shared.cend(), [&](const QString& folder) { return canonicalPath.startsWith(folder); });
}

QString PageScheme::withPageAddresses(const QString& html, const QString& origin)
{
    if (!html.contains(QLatin1String("file:"), Qt::CaseInsensitive))
        return html;
    // file:///path and file://localhost/path; a file: address naming another host stays (and loads nothing).
    static const QRegularExpression address(QStringLiteral(
                                                "((?:\\b(?:src|href)\\s*=\\s*[\"']?)|(?:url\\(\\s*[\"']?))file://(?:localhost)?(?=/)"),
        QRegularExpression::CaseInsensitiveOption);
    QString out = html;
    out.replace(address, QStringLiteral("\\1") + origin);
    return out;
}

PageScheme* PageScheme::instance()
{
    static PageScheme* handler = new PageScheme(nullptr);
    return handler;
}

bool PageScheme::isPageUrl(const QUrl& url)
{
    return url.scheme() == QLatin1String(name);
}

QUrl PageScheme::toFileUrl(const QUrl& url)
{
    if (!isPageUrl(url))
        return url;
    QUrl file = QUrl::fromLocalFile(url.path(QUrl::FullyDecoded));
    if (url.hasQuery() && !url.query().startsWith(kPageQuery))
        file.setQuery(url.query(QUrl::FullyEncoded), QUrl::StrictMode);
    if (url.hasFragment())
        file.setFragment(url.fragment(QUrl::FullyEncoded), QUrl::StrictMode);
    return file;
}

QString PageScheme::hostFor(const QString& folder)
{
    const QString cleaned = QDir::cleanPath(QDir(folder).absolutePath());
    const QString real = canonical(cleaned);
    const QString key = asFolder(real.isEmpty() ? cleaned : real);
    QString host = m_hostOfFolder.value(key);
    if (host.isEmpty()) {
        // Unguessable, so that a page cannot name another folder's origin.
        const quint64 a = QRandomGenerator::system()->generate64();
        host = QStringLiteral("f%1").arg(a, 16, 16, QLatin1Char('0'));
        m_hostOfFolder.insert(key, host);
        m_folderOfHost.insert(host, key);
    }
    return host;
}

QString PageScheme::originOf(const QString& folder)
{
    return QLatin1String(name) + QStringLiteral("://") + hostFor(folder);
}

QUrl PageScheme::addPage(const void* owner, const QString& folder, const QByteArray& html)
{
    Page page;
    page.host = hostFor(folder);
    page.path = asFolder(QDir::cleanPath(QDir(folder).absolutePath()));
    page.query = kPageQuery + QString::number(++m_serial);
    page.html = html;
    QUrl url;
    url.setScheme(QLatin1String(name));
    url.setHost(page.host);
    url.setPath(page.path);
    url.setQuery(page.query);
    m_pages.insert(owner, std::move(page));
    return url;
}

QUrl PageScheme::addFilePage(const void* owner, const QString& file, const QString& folder)
{
    Page page;
    page.host = hostFor(folder);
    page.path = QDir::cleanPath(QFileInfo(file).absoluteFilePath());
    page.file = page.path;
    QUrl url;
    url.setScheme(QLatin1String(name));
    url.setHost(page.host);
    url.setPath(page.path);
    m_pages.insert(owner, std::move(page));
    return url;
}

void PageScheme::removePages(const void* owner)
{
    m_pages.remove(owner);
}

QString PageScheme::servedFile(const QString& host, const QString& path) const
{
    if (!path.startsWith(QLatin1Char('/')))
        return QString();
    const QString real = canonical(QDir::cleanPath(path));
    if (real.isEmpty() || !QFileInfo(real).isFile())
        return QString();
    if (isShared(real))
        return real;
    const QString folder = m_folderOfHost.value(host);
    if (folder.isEmpty() || !real.startsWith(folder))
        return QString();
    // Hidden files and folders (keys, settings, version control) stay out of every page.
    const QStringList inside = real.mid(folder.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : inside) {
        if (part.startsWith(QLatin1Char('.')))
            return QString();
    }
    return real;
}

void PageScheme::requestStarted(QWebEngineUrlRequestJob* job)
{
    const QUrl url = job->requestUrl();
    const QString host = url.host();
    const QString path = url.path(QUrl::FullyDecoded);
    // Only the page's own origin is served its folder: another page may not even show it.
    const QUrl initiator = job->initiator();
    const bool sameOrigin = initiator.isEmpty() || (isPageUrl(initiator) && initiator.host() == host);

    for (const Page& page : std::as_const(m_pages)) {
        if (page.host != host || page.path != path || (page.file.isEmpty() && url.query() != page.query))
            continue;
        if (!sameOrigin)
            break;
        if (!page.file.isEmpty()) {
            auto* file = new QFile(page.file, job);
            if (!file->open(QIODevice::ReadOnly)) {
                job->fail(QWebEngineUrlRequestJob::UrlNotFound);
                return;
            }
            job->reply(QByteArrayLiteral("text/html;charset=utf-8"), file);
            return;
        }
        auto* buffer = new QBuffer(job);
        buffer->setData(page.html);
        buffer->open(QIODevice::ReadOnly);
        job->reply(QByteArrayLiteral("text/html;charset=utf-8"), buffer);
        return;
    }
    QString served = servedFile(host, path);
    if (!sameOrigin && !isShared(served))
        served.clear();
    if (served.isEmpty()) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    auto* file = new QFile(served, job);
    if (!file->open(QIODevice::ReadOnly)) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    job->reply(contentType(served), file);
}

} // namespace penwick::platform
