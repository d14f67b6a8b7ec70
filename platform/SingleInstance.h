#pragma once

#include <QByteArray>
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace penwick::platform {

// One running copy of a program per user session: a lock file and a local server, both named
// after the program, in $XDG_RUNTIME_DIR. The first start holds both; a later start sends its
// message to the first and leaves.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    using MessageHandler = std::function<void(const QByteArray& message)>;

    explicit SingleInstance(const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The folder of the lock and the server socket.
    static QString runtimeFolder();
    QString serverPath() const;
    static QString lockPath(const QString& name);
    // The process id of the running copy named `name`: its lock is held and names a live
    // process. None when no copy runs, also when a copy that died left its lock behind.
    static std::optional<qint64> runningProcessId(const QString& name);
    // True when this process now holds the lock; messages then go to `handler`. A lock left by
    // a copy that died is taken over. When no lock can be made at all (no runtime folder, say)
    // this copy serves without one: nobody else could hold it either.
    bool becomePrimary(MessageHandler handler);
    // Sends one message to the running copy and waits for its answer; false when none answered
    // in time. A copy that holds the lock but is not listening yet is waited for.
    static bool sendMessage(const QString& name, const QByteArray& message, int timeoutMs = 3000);
    // Hands `message` to the running copy, waiting for its answer for as long as the copy that
    // holds the lock lives: one that is still starting answers once its event loop runs, however
    // long that takes on a busy machine. `stillWaiting` is called once, when no answer came
    // within `patienceMs`. False when no copy holds the lock any more (it ended, or never ran)
    // and the message was not taken: the caller may then become the running copy itself.
    static bool handOver(const QString& name, const QByteArray& message, int patienceMs = 4000,
        const std::function<void(qint64 processId)>& stillWaiting = {});

private:
    bool listen(MessageHandler handler);

    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
    MessageHandler m_handler;
};

} // namespace penwick::platform
