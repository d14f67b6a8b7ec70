// Entry point of the test programs that need X11: an Xvfb of their own, the xcb platform on it.
// Without Xvfb the program still runs, offscreen, and its X11 tests skip with the reason.
#include "MachineIsolation.h"
#include "PrivateBus.h"
#include "TestSupport.h"
#include "XvfbServer.h"

#include <cstdio>
#include <memory>

int main(int argc, char* argv[])
{
    penwick::test::isolateFromTheMachine();
    penwick::test::XvfbServer server;
    QString error;
    if (server.start(&error)) {
        qputenv("DISPLAY", server.display().toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "xcb");
        penwick::test::XvfbServer::setCurrent(&server);
    } else {
        std::fprintf(stderr, "No X server for this test program: %s\n", qPrintable(error));
        penwick::test::XvfbServer::setUnavailableReason(error);
    }
    // Programs whose tests talk to desktop services get a session bus of their own (built with
    // penwick_add_test's SESSION_BUS), there before the application connects to any.
    std::unique_ptr<penwick::test::PrivateBus> bus;
#ifdef PENWICK_TEST_PRIVATE_SESSION_BUS
    {
        bus = std::make_unique<penwick::test::PrivateBus>();
        if (bus->isRunning()) {
            qputenv("DBUS_SESSION_BUS_ADDRESS", bus->address().toLocal8Bit());
            penwick::test::PrivateBus::session() = bus.get();
        } else {
            std::fputs("No private session bus (dbus-daemon did not start)\n", stderr);
        }
    }
#endif
    const int result = penwick::test::runTestProgram(argc, argv);
    penwick::test::PrivateBus::session() = nullptr;
    penwick::test::XvfbServer::setCurrent(nullptr);
    return result;
}
