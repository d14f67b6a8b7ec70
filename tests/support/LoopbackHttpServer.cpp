#include "LoopbackHttpServer.h"

#include <QTcpSocket>

namespace penwick::test {

namespace {

QString pathOf(const QByteArray& target)
{
    const qsizetype q = target.indexOf('?');
    return QUrl::fromPercentEncoding(q < 0 ? target : target.left(q));
}

QByteArray reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer(QObject* parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackHttpServer::onConnection);
    m_server.listen(QHostAddress::LocalHost, 0);
}

QUrl LoopbackHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path));
}

void LoopbackHttpServer::setResponse(const QString& path, const Response& response)
{
    m_responses.insert(path, response);
}

void LoopbackHttpServer::setResponse(const QString& path, const QByteArray& body, const QByteArray& contentType)
{
    Response response;
    response.body = body;
    response.contentType = contentType;
    setResponse(path, response);
}

int LoopbackHttpServer::requestCount(const QString& path) const
{
    int count = 0;
    for (const Request& request : m_requests)
        count += pathOf(request.target) == path ? 1 : 0;
    return count;
}

void LoopbackHttpServer::onConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadable(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void LoopbackHttpServer::onReadable(QTcpSocket* socket)
{
    QByteArray& buffer = m_buffers[socket];
    buffer += socket->readAll();
    for (;;) {
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        Request request;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        request.target = first.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
        }
        const qsizetype length = request.headers.value("content-length", "0").toLongLong();
        if (buffer.size() < headerEnd + 4 + length)
            return;
        request.body = buffer.mid(headerEnd + 4, length);
        buffer.remove(0, headerEnd + 4 + length);
        m_requests.append(request);

        Response response;
        const auto found = m_responses.constFind(pathOf(request.target));
        if (found != m_responses.constEnd())
            response = *found;
        else {
            response.status = 404;
            response.contentType = "text/plain";
            response.body = "not found";
        }
        if (response.dropConnection) {
            emit requestServed(request.target);
            socket->abort();
            return;
        }
        QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reason(response.status) + "\r\n";
        out += "Content-Type: " + response.contentType + "\r\n";
        out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
        out += "Cache-Control: no-store\r\n";
        for (const auto& header : response.headers)
            out += header.first + ": " + header.second + "\r\n";
        out += "\r\n";
        if (request.method != "HEAD")
            out += response.body;
        socket->write(out);
        emit requestServed(request.target);
    }
}

} // namespace penwick::test
