#pragma once

#include <QHash>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

namespace penwick::test {

// A loopback HTTP server that answers each path with a fixed status (404 for paths it does
// not know) and never answers paths marked silent.
class StatusServer : public QObject {
    Q_OBJECT
public:
    StatusServer();
    QString url(const QString& path) const;
    void setStatus(const QString& path, int status) { m_status.insert(path, status); }
    void setSilent(const QString& path) { m_silent.append(path); }
    int requestCount() const { return m_requests; }

private:
    void answer(QTcpSocket* socket);

    QTcpServer m_server;
    QHash<QString, int> m_status;
    QStringList m_silent;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    int m_requests = 0;
};

} // namespace penwick::test
