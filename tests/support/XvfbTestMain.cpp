// Entry point of the test programs that need X11: an Xvfb of their own, the xcb platform on it.
// Without Xvfb the program still runs, offscreen, and its X11 tests skip with the reason.
#include "TestSupport.h"
#include "XvfbServer.h"

#include <cstdio>

int main(int argc, char* argv[])
{
    penwick::test::XvfbServer server;
    QString error;
    if (server.start(&error)) {
        qputenv("DISPLAY", server.display().toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "xcb");
        // No desktop session: Qt must not look for one on the user's bus.
        qunsetenv("WAYLAND_DISPLAY");
        penwick::test::XvfbServer::setCurrent(&server);
    } else {
        std::fprintf(stderr, "No X server for this test program: %s\n", qPrintable(error));
        penwick::test::XvfbServer::setUnavailableReason(error);
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const int result = penwick::test::runTestProgram(argc, argv);
    penwick::test::XvfbServer::setCurrent(nullptr);
    return result;
}
