#pragma once

#include <QByteArray>
#include <QString>

namespace penwick::platform {

// The system's log (the journal, or a syslog daemon): lines go to the local log socket as
// syslog datagrams, so that they stay after the program ends and a bug report can quote them.
// Without a listening socket a line is dropped; a full socket never makes the caller wait.
class SystemLog {
public:
    enum class Severity { Error = 3, Warning = 4, Info = 6 };

    // Where the system's log listens: "/dev/log" unless set otherwise for the whole process.
    static QString socketPath();
    static void setSocketPath(const QString& path);

    // Sends one line, "<tag>[<pid>]: <message>", with the user facility. False when nothing
    // listens or the socket refused it.
    static bool write(Severity severity, const QString& tag, const QString& message);
};

} // namespace penwick::platform
