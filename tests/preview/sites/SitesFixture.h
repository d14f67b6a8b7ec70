#pragma once

// A private database, a loopback site and recorded alerts for the Real Preview sites tests.
#include "LoopbackHttpServer.h"
#include "Models/RealPreviewItem.h"

#include "../../shell/document/RecordingDialogs.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QList>
#include <QString>

namespace penwick::test {

extern const QByteArray kSitePage;

class SitesTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString url(const QString& path) const { return server.url(path).toString(); }
    static QList<RealPreviewItem> storedSites();
    static void store(const RealPreviewItem& item);
    static QByteArray cachedPage(const QString& id);
    static QString cacheFolder();

    QString databaseFolder;
    LoopbackHttpServer server;
    RecordingDialogs dialogs;
};

} // namespace penwick::test
