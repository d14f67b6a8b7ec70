#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <functional>
#include <initializer_list>

namespace penwick::test {

// Spins the event loop until `condition` holds or `timeoutMs` passes; returns whether it held.
// Use for asynchronous results (web pages, other processes), never as a plain delay.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 10000);

// A fresh, empty folder for one test, removed when the process ends.
QString temporaryFolder();

// For a program a test starts: the system's environment with each of `variables` naming a
// folder of its own, `folder`/<variable>, made and readable by its owner only (as a runtime
// folder must be).
QProcessEnvironment environmentWithOwnFolders(const QString& folder, std::initializer_list<const char*> variables);

// The body of every test program: the program cut off from the machine (MachineIsolation.h,
// so that runs never see each other's files nor the person's), a QApplication (offscreen
// unless the program's main started an X server), the bundled defaults registered, then GoogleTest.
int runTestProgram(int argc, char* argv[]);

// Collects what this process writes on standard output (the loggers write there) while alive.
// GoogleTest reports failures there too: check what was collected after the capture ends.
class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;
    // Everything written since construction.
    QString text() const;

private:
    int m_savedFd = -1;
    QString m_path;
};

} // namespace penwick::test
