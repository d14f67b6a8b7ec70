#pragma once

#include <QByteArray>
#include <QLocalServer>
#include <QLockFile>
#include <QObject>

#include <functional>
#include <memory>

namespace penwick {

// One PenwickMini per user: a lock file and a local server named after
// CoreMagicStrings::PENWICK_MINI_INSTANCE_NAME in $XDG_RUNTIME_DIR. The first start holds both;
// a later start sends its message to the first and leaves.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    using MessageHandler = std::function<void(const QByteArray& message)>;

    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // The folder of the lock and the server socket.
    static QString runtimeFolder();
    // True when this process is now the one PenwickMini; messages then go to `handler`.
    bool becomePrimary(MessageHandler handler);
    // Sends one message to the running PenwickMini; false when none answers.
    static bool sendMessage(const QByteArray& message, int timeoutMs = 3000);

private:
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
    MessageHandler m_handler;
};

} // namespace penwick
