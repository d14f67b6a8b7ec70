#pragma once

#include <QStringList>
#include <QWebEngineUrlRequestInterceptor>

namespace penwick::platform {

// Keeps page scripts from reading local files: fetch and XMLHttpRequest of file: URLs,
// and file: sub-frames and objects, are refused unless they lie in one of the allowed
// folders. Images, style sheets, scripts, fonts and media of file: URLs load as usual.
class LocalFileGuard : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    explicit LocalFileGuard(QStringList allowedFolders, QObject* parent = nullptr);

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    // Whether a request of this kind for this URL is refused.
    bool refuses(const QUrl& url, QWebEngineUrlRequestInfo::ResourceType type) const;

private:
    QStringList m_allowed; // canonical folders, each ending with "/"
};

} // namespace penwick::platform
