#include "OpenDocument.h"
#include "PlainEditorViewController.h"

#include "PrivateBus.h"
#include "platform/StandardLocations.h"
#include "shell/PenwickBusService.h"
#include "shell/TVXAppDelegate.h"
#include "shell/TVXDocumentController.h"
#include "shell/TVXDocumentWindowController.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

using namespace penwick;

namespace {

// Two windows: the first with "a.md" and an untitled document, the second with "b.md",
// served on a private bus.
class BusService : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus.isRunning());
        delegate.applicationWillFinishLaunching({ "Penwick" });
        a = open("a.md");
        untitled = documents.openUntitledDocumentAndDisplay(true);
        untitled->editorViewController(); // the tab exists
        documents.setOpenInNewWindowRequested(true);
        b = open("b.md");
        ASSERT_EQ(delegate.windowControllers().size(), 2);
        ASSERT_TRUE(service.registerOn(bus.connect(QStringLiteral("penwick"))));
        // A shown window makes itself main once the events of its showing have run: let them run
        // now, not during a call, so that the main window the test reads is the one served.
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
    }
    TVXDocument* open(const QString& name)
    {
        const QString path = dir + "/" + name;
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("# " + name.toUtf8() + "\n");
        file.close();
        return test::openDocument(documents, path, true);
    }
    // Calls a method of the service from another connection, as another program would.
    QJsonArray call(const QString& method)
    {
        // Without introspection: this thread also serves the call.
        const QDBusMessage message = QDBusMessage::createMethodCall(PenwickBusService::SERVICE_NAME,
            PenwickBusService::OBJECT_PATH, PenwickBusService::INTERFACE_NAME, method);
        QDBusPendingReply<QString> reply = bus.connect(QStringLiteral("client")).asyncCall(message);
        EXPECT_TRUE(test::waitUntil([&] { return reply.isFinished(); }));
        EXPECT_TRUE(reply.isValid()) << reply.error().message().toStdString();
        return QJsonDocument::fromJson(reply.value().toUtf8()).array();
    }

    QString dir = test::temporaryFolder();
    test::PrivateBus bus;
    test::PlainEditorFactoryScope factory;
    TVXDocumentController documents;
    TVXAppDelegate delegate { &documents };
    PenwickBusService service { &delegate };
    TVXDocument* a = nullptr;
    TVXDocument* untitled = nullptr;
    TVXDocument* b = nullptr;
};

} // namespace

TEST_F(BusService, ListsEachWindowWithItsDocumentsInTabOrder)
{
    const QJsonArray windows = call(QStringLiteral("Windows"));
    ASSERT_EQ(windows.size(), 2);
    const QList<TVXDocumentWindowController*> controllers = delegate.windowControllers();
    TVXDocumentWindowController* main = delegate.mainWindowController();
    for (int w = 0; w < 2; ++w) {
        const QJsonObject window = windows.at(w).toObject();
        EXPECT_EQ(window.value("id").toString(), controllers.at(w)->uniqueID());
        EXPECT_EQ(window.value("main").toBool(), controllers.at(w) == main);
    }
    const QJsonArray first = windows.at(0).toObject().value("documents").toArray();
    ASSERT_EQ(first.size(), 2);
    EXPECT_EQ(first.at(0).toObject().value("name").toString(), "a.md");
    EXPECT_EQ(first.at(0).toObject().value("path").toString(), a->filePath());
    EXPECT_EQ(first.at(0).toObject().value("id").toString(), a->uniqueID());
    EXPECT_FALSE(first.at(0).toObject().value("front").toBool());
    EXPECT_EQ(first.at(1).toObject().value("name").toString(), untitled->displayName());
    EXPECT_EQ(first.at(1).toObject().value("path").toString(), "");
    EXPECT_TRUE(first.at(1).toObject().value("front").toBool()) << "the selected tab";
    EXPECT_FALSE(first.at(1).toObject().value("edited").toBool());
    const QJsonArray second = windows.at(1).toObject().value("documents").toArray();
    ASSERT_EQ(second.size(), 1);
    EXPECT_EQ(second.at(0).toObject().value("path").toString(), b->filePath());

    // Typing marks the document edited; a closed tab leaves the list.
    test::plainEditor(*a)->type(QStringLiteral("x"));
    QCoreApplication::processEvents(); // the typing's undo step closes
    controllers.at(0)->switchToDocument(a);
    QJsonArray now = call(QStringLiteral("Windows")).at(0).toObject().value("documents").toArray();
    EXPECT_TRUE(now.at(0).toObject().value("edited").toBool());
    EXPECT_TRUE(now.at(0).toObject().value("front").toBool());
    controllers.at(0)->switchToDocument(untitled);
    ASSERT_TRUE(controllers.at(0)->removeActiveTabItem());
    now = call(QStringLiteral("Windows")).at(0).toObject().value("documents").toArray();
    EXPECT_EQ(now.size(), 1);
}

// PenwickMini's shipped shadow script asks the running Penwick through the bus.
TEST_F(BusService, TheShippedShadowScriptReadsTheFilesAndTheFrontDocument)
{
    QProcess script;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    script.setProcessEnvironment(environment);
    script.start(QStringLiteral("/bin/sh"),
        { platform::resourcesDirectory() + QStringLiteral("/mini/ShadowScripts/org.penwick.Penwick.sh") });
    ASSERT_TRUE(test::waitUntil([&] { return script.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();
    const QJsonArray items = QJsonDocument::fromJson(script.readAllStandardOutput()).array();
    ASSERT_EQ(items.size(), 2) << "files only; the untitled document has no path";
    EXPECT_EQ(items.at(0).toObject().value("title").toString(), "a.md");
    EXPECT_EQ(items.at(0).toObject().value("path").toString(), a->filePath());
    EXPECT_EQ(items.at(1).toObject().value("path").toString(), b->filePath());
    TVXDocumentWindowController* main = delegate.mainWindowController();
    EXPECT_EQ(items.at(1).toObject().value("active").toBool(), main == delegate.windowControllers().at(1));
    EXPECT_FALSE(items.at(0).toObject().value("active").toBool()) << "a.md is not the front document of its window";
}

TEST_F(BusService, WithNoApplicationTheListsAreEmpty)
{
    EXPECT_EQ(PenwickBusService::windowsJSON({}, nullptr), "[]");
    EXPECT_EQ(PenwickBusService::shadowItemsJSON({}, nullptr), "[]");
}
