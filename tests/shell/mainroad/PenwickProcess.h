#pragma once

#include "PrivateBus.h"

#include <QJsonArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace penwick::test {

// Penwick started as a person starts it, in a session of its own: its own HOME, runtime,
// settings and data folders and session bus, on the test's X server. Several starts share the
// session, as one user's starts do.
class PenwickSession {
public:
    PenwickSession();
    ~PenwickSession();

    bool isReady() const { return m_bus.isRunning(); }
    QString home() const { return m_home; }
    QProcessEnvironment environment() const { return m_environment; }

    // The settings file the session's Penwick reads.
    QString settingsPath() const;

    // Starts Penwick with these arguments in `workingDirectory` (the home folder when empty).
    // Its standard output goes to `outputFile` and its errors to `errorFile` when they are named
    // (else to the test's).
    std::unique_ptr<QProcess> start(const QStringList& arguments, const QString& workingDirectory = {},
        const QString& program = {}, const QString& outputFile = {}, const QString& errorFile = {});
    // Starts Penwick as `start` does; the session ends it (if it still runs) when it goes.
    QProcess& launch(const QStringList& arguments);
    // Penwick's windows as its bus service lists them; empty when it does not answer.
    QJsonArray windows();
    // The file names of each window's tabs, in order.
    QList<QStringList> tabNames();
    // Runs xdotool with these arguments; its standard output.
    QString xdotool(const QStringList& arguments);
    // The X window id of the first visible top-level window of the process.
    QString windowOf(const QProcess& process);
    // Gives the process's window the keyboard focus, as a click on it would (there is no
    // window manager to do it); its id.
    QString focusWindowOf(const QProcess& process);
    // Where the window is on the screen.
    QRect geometryOf(const QString& window);

private:
    QString m_home;
    PrivateBus m_bus;
    QProcessEnvironment m_environment;
    std::vector<std::unique_ptr<QProcess>> m_launched;
};

// The file's bytes; empty when it cannot be read.
QByteArray readBytes(const QString& path);
// Whether the process has ended within the time.
bool hasEnded(const QProcess& process, int timeoutMs = 30000);

} // namespace penwick::test
