#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

namespace penwick::platform {

// Where the program's web views get their pages: "pwpage://<origin>/<absolute path>" stands
// for that file. Every folder a page is shown for gets an origin of its own, which is served
// that folder (hidden entries aside) and the shared folders (the program's resources, the
// system's script libraries, style folders), and nothing else; file: addresses do not load
// in these pages at all. So a page's scripts may read the page's own folder and no other local
// file. Pages given as text are served from memory under their folder.
class PageScheme : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
public:
    static const QByteArray name;

    // Makes the scheme known to the engine; before the application object exists.
    static void registerScheme();
    // The handler of the shared profile.
    static PageScheme* instance();

    // The address of `html` shown as a page whose relative addresses resolve in `folder`.
    // Each owner has one page at a time: a new one replaces its last.
    QUrl addPage(const void* owner, const QString& folder, const QByteArray& html);
    // The address of the file `file` shown as a page of the origin of `folder`.
    QUrl addFilePage(const void* owner, const QString& file, const QString& folder);
    void removePages(const void* owner);
    // What the page of `owner` given as text serves ("" when it has none).
    QByteArray pageText(const void* owner) const { return m_pages.value(owner).html; }

    // The origin ("pwpage://<host>") of the pages of `folder`.
    QString originOf(const QString& folder);
    // A folder every origin is served (read-only things such as style sheets and libraries).
    void addSharedFolder(const QString& folder);
    // A single file every origin is served (a style sheet chosen from anywhere).
    void addSharedFile(const QString& file);
    // `html` with its file: addresses (in src and href attributes and CSS url()) turned into
    // addresses of `origin`, which serves what lies in its folder or a shared one.
    static QString withPageAddresses(const QString& html, const QString& origin);
    // The file URL a page address stands for; other addresses unchanged.
    static QUrl toFileUrl(const QUrl& url);
    static bool isPageUrl(const QUrl& url);

    // What a page of `host` may be served at `path` (an absolute path): the file to read, or
    // "" when nothing is served. Pages held in memory are not files and are not looked up here.
    QString servedFile(const QString& host, const QString& path) const;

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    explicit PageScheme(QObject* parent);
    QString hostFor(const QString& folder);

    struct Page {
        QString host;
        QString path;
        QString query;
        QByteArray html; // or:
        QString file;
    };
    bool isShared(const QString& canonicalPath) const;

    QStringList m_shared; // canonical folders, ending with "/"
    QStringList m_sharedFiles; // canonical
    QHash<QString, QString> m_folderOfHost; // canonical folder, ending with "/"
    QHash<QString, QString> m_hostOfFolder;
    QHash<const void*, Page> m_pages;
    quint64 m_serial = 0;
};

} // namespace penwick::platform
