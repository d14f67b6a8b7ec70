#pragma once

#include "Extensions/Realm.h"
#include "TestSupport.h"

#include <QDateTime>
#include <QDir>

#include <gtest/gtest.h>

namespace penwick::test {

// Each test gets its own database file in a fresh folder, closed again afterwards.
class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = temporaryFolder();
        ASSERT_TRUE(RealmSetup::setupInFolder(folder)) << RealmSetup::unavailableError().message.toStdString();
    }
    void TearDown() override { RealmSetup::close(); }

    QString databasePath() const { return QDir(folder).filePath(QStringLiteral("penwick.db")); }

    template <class Record>
    void store(const QList<Record>& records)
    {
        const auto error = Realm::write([&](RealmTransaction& tx) {
            for (const auto& r : records)
                tx.add(r);
        });
        ASSERT_FALSE(error.has_value()) << error->message.toStdString();
    }

    QString folder;
};

inline QDateTime utc(const char* iso)
{
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs).toUTC();
}

} // namespace penwick::test
