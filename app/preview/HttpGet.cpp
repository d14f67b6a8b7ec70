#include "preview/HttpGet.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStringDecoder>
#include <QUrl>

namespace penwick {

namespace {

constexpr int kTransferTimeoutMs = 30000;

QNetworkAccessManager* networkManager()
{
    // Owned by the application object, so it goes before Qt's network layer does.
    static QPointer<QNetworkAccessManager> manager;
    if (!manager)
        manager = new QNetworkAccessManager(QCoreApplication::instance());
    return manager;
}

std::optional<QString> decodeUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

std::optional<HttpGetError> httpGet(const QString& address, std::function<void()> failure,
    std::function<void(const QString& body)> success)
{
    const QUrl url(address, QUrl::StrictMode);
    if (address.trimmed().isEmpty() || !url.isValid())
        return HttpGetError { QStringLiteral("\"%1\" is not a valid address.").arg(address) };
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return HttpGetError { QStringLiteral("\"%1\" is not an http or https address.").arg(address) };
    if (url.host().isEmpty())
        return HttpGetError { QStringLiteral("\"%1\" names no host.").arg(address) };

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(kTransferTimeoutMs);
    QNetworkReply* reply = networkManager()->get(request);
    QObject::connect(reply, &QNetworkReply::finished, reply,
        [reply, failure = std::move(failure), success = std::move(success)] {
            reply->deleteLater();
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (reply->error() != QNetworkReply::NoError || status >= 400) {
                if (failure)
                    failure();
                return;
            }
            std::optional<QString> body = decodeUtf8(reply->readAll());
            if (!body) {
                if (failure)
                    failure();
                return;
            }
            if (success)
                success(*body);
        });
    return std::nullopt;
}

} // namespace penwick
