#pragma once

#include "RunningApplication.h"
#include "ShadowItem.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

namespace penwick {

class ShadowScriptRun;

// Shadow scripts tell which documents a program has open. A script is an executable file named
// after the program's identifier (any extension ignored), shipped in the resources'
// "mini/ShadowScripts" or the user's "~/.penwick/ShadowScripts/" (the user's wins). It runs
// with no arguments and no shell, learns the program from PENWICK_APP_ID, PENWICK_APP_PID,
// PENWICK_APP_PATH, PENWICK_WINDOW_ID and PENWICK_WINDOW_TITLE, and answers on standard output
// with a JSON array of {"title": text, "path": text, "active": true or false (optional)}.
//
// A script runs beside the event loop, never holding it up. One that runs over 2 seconds is
// stopped with everything it started; one that prints over 1 MiB, exits with an error, crashes
// or prints anything but such an array gives no entries, and the reason is logged once with
// the script's path.
class ShadowScripts {
public:
    static constexpr int kTimeoutMs = 2000;
    static constexpr qsizetype kMaxOutput = 1024 * 1024;

    using ReplyHandler = std::function<void(const QList<ShadowItem>& items)>;

    // Identifier → script path, shipped first, then the user's.
    static QMap<QString, QString> collectScripts();
    // The folders searched, in order.
    static QStringList scriptFolders();

    // Starts the program's script; `handler` gets its entries (none when it failed) from the
    // event loop, never before this returns. No run, and no call, when the program has no
    // script. Dropping the run stops the script and drops its reply.
    static std::unique_ptr<ShadowScriptRun> runScript(const QMap<QString, QString>& scripts,
                                                      const RunningApplication& application, ReplyHandler handler);
    // Entries from a script's reply; none, with the reason, when it is not a JSON array.
    static QList<ShadowItem> parseReply(const QByteArray& reply, const RunningApplication& application, QString* error);
};

// One run of a shadow script, in a process group of its own so that stopping it ends whatever
// it started too.
class ShadowScriptRun : public QObject {
    Q_OBJECT
public:
    ShadowScriptRun(const QString& path, const RunningApplication& application, ShadowScripts::ReplyHandler handler);
    ~ShadowScriptRun() override;

    bool isFinished() const { return m_finished; }
    // The script's process id (the id of its process group); 0 once it ended.
    qint64 processId() const { return m_process.processId(); }

private:
    void readOutput();
    void processFinished(int exitCode, QProcess::ExitStatus status);
    void fail(const QString& reason);
    void finish(const QList<ShadowItem>& items);
    void stopProcessGroup();

    QString m_path;
    RunningApplication m_application;
    ShadowScripts::ReplyHandler m_handler;
    QProcess m_process;
    QTimer m_timeout;
    QByteArray m_output;
    bool m_finished = false;
};

} // namespace penwick
