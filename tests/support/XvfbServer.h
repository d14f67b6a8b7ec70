#pragma once

#include <QString>

#include <sys/types.h>

namespace penwick::test {

// An Xvfb of the test program's own, on the display number it picks itself (-displayfd).
// Started before the QApplication, ended with the program.
class XvfbServer {
public:
    XvfbServer() = default;
    ~XvfbServer() { stop(); }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // False, with the reason, when Xvfb is not installed or did not come up.
    bool start(QString* error);
    void stop();

    // ":N" once started.
    QString display() const { return m_display; }

    // The program's server, when the program was started on one (XvfbTestMain.cpp).
    static XvfbServer* current();
    static void setCurrent(XvfbServer* server);
    // Why the program runs without its server; empty when it runs on one.
    static QString unavailableReason();
    static void setUnavailableReason(const QString& reason);

private:
    pid_t m_pid = 0;
    QString m_display;
};

} // namespace penwick::test

// Skips the test, with the reason, when the program has no X server of its own.
#define PENWICK_REQUIRE_XVFB()                                                                                         \
    if (!::penwick::test::XvfbServer::current())                                                                       \
    GTEST_SKIP() << "needs an X server: " << ::penwick::test::XvfbServer::unavailableReason().toStdString()
