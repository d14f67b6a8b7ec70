#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QTcpServer>
#include <QUrl>

namespace penwick::test {

// A small HTTP/1.1 server on 127.0.0.1 for tests: fixed responses by path, every request
// recorded. It serves on the thread that made it, while that thread's event loop runs.
class LoopbackHttpServer : public QObject {
    Q_OBJECT
public:
    struct Response {
        int status = 200;
        QByteArray contentType = "text/html; charset=utf-8";
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        // Close the connection without answering.
        bool dropConnection = false;
    };
    struct Request {
        QByteArray method;
        QByteArray target; // path and query as sent
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };

    explicit LoopbackHttpServer(QObject* parent = nullptr);

    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }
    // http://127.0.0.1:<port> followed by `path`.
    QUrl url(const QString& path = QStringLiteral("/")) const;

    // Serves `response` for requests whose path (without query) is `path`; others get 404.
    void setResponse(const QString& path, const Response& response);
    void setResponse(const QString& path, const QByteArray& body, const QByteArray& contentType = "text/html; charset=utf-8");

    const QList<Request>& requests() const { return m_requests; }
    // Requests whose path (without query) is `path`.
    int requestCount(const QString& path) const;

signals:
    void requestServed(const QByteArray& target);

private:
    void onConnection();
    void onReadable(QTcpSocket* socket);

    QTcpServer m_server;
    QHash<QString, Response> m_responses;
    QList<Request> m_requests;
    QHash<QTcpSocket*, QByteArray> m_buffers;
};

} // namespace penwick::test
