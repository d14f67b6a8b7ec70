#pragma once

#include "TestSupport.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <memory>

namespace penwick::test {

// Another process holding the write lock of the database in `folder` (BEGIN EXCLUSIVE), until
// release() or the end of the object. Needs PENWICK_DATABASE_HELPER, the helper program.
class DatabaseLockHolder {
public:
    explicit DatabaseLockHolder(const QString& folder)
    {
        m_process.setProgram(QStringLiteral(PENWICK_DATABASE_HELPER));
        m_process.setArguments({ QStringLiteral("hold-lock"), folder });
        m_process.start();
        m_locked = m_process.waitForStarted(10000)
            && waitUntil([&] { return m_process.canReadLine() || m_process.state() == QProcess::NotRunning; }, 30000)
            && m_process.readLine().trimmed() == "locked";
    }
    ~DatabaseLockHolder() { release(); }

    bool isLocked() const { return m_locked; }

    void release()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.write("release\n");
        m_process.closeWriteChannel();
        EXPECT_TRUE(waitUntil([&] { return m_process.state() == QProcess::NotRunning; }, 30000));
        m_locked = false;
    }

private:
    QProcess m_process;
    bool m_locked = false;
};

} // namespace penwick::test
