#include "StatusServer.h"

#include <gtest/gtest.h>

namespace penwick::test {

StatusServer::StatusServer()
{
    EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost));
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
        }
    });
}

QString StatusServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
}

void StatusServer::answer(QTcpSocket* socket)
{
    QByteArray& buffer = m_buffers[socket];
    buffer += socket->readAll();
    if (!buffer.contains("\r\n\r\n"))
        return;
    ++m_requests;
    const QList<QByteArray> requestLine = buffer.left(buffer.indexOf("\r\n")).split(' ');
    m_buffers.remove(socket);
    const QString path = requestLine.size() > 1 ? QString::fromLatin1(requestLine.at(1)) : QString();
    if (m_silent.contains(path))
        return;
    const int status = m_status.value(path, 404);
    const QByteArray body(64 * 1024, 'x'); // more than the headers: the client may stop early
    socket->write("HTTP/1.1 " + QByteArray::number(status) + " Status\r\nContent-Type: text/plain\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n");
    socket->write(body);
    socket->disconnectFromHost();
}

} // namespace penwick::test
