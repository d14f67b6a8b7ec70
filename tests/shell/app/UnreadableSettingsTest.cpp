// Penwick started over a settings file it cannot read: the file is kept aside, every setting
// starts from its default, and the user is told so once, in the window, by the kept file's name.
// The program writes the damaged file before anything reads the settings.
#include "MachineIsolation.h"
#include "TestSupport.h"
#include "platform/StandardLocations.h"
#include "platform/UserDefaults.h"
#include "shell/InformationWindows.h"
#include "shell/TVXAppDelegate.h"
#include "shell/TVXDocumentController.h"
#include "shell/TVXDocumentWindowController.h"
#include "shell/WhatNewWindowController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QMessageBox>

#include <gtest/gtest.h>

#include <memory>

using namespace penwick;

namespace {

const QByteArray kDamaged = "<plist><dict><key>editorThemePreference</key>";

QString settingsPath()
{
    return QDir(platform::configDirectory(QStringLiteral("Penwick"))).filePath(QStringLiteral("Penwick.plist"));
}

QStringList keptFiles()
{
    return QDir(QFileInfo(settingsPath()).path()).entryList({ QStringLiteral("Penwick.plist.unreadable-*") }, QDir::Files);
}

TEST(UnreadableSettings, TheWindowTellsOnceWhereTheUnreadableFileWasKept)
{
    ASSERT_EQ(keptFiles().size(), 1);
    const QString kept = QFileInfo(settingsPath()).dir().filePath(keptFiles().first());
    QFile keptFile(kept);
    ASSERT_TRUE(keptFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(keptFile.readAll(), kDamaged);

    TVXDocumentController documents;
    auto delegate = std::make_unique<TVXAppDelegate>(&documents);
    delegate->awakeFromNib();
    delegate->applicationWillFinishLaunching({ QStringLiteral("Penwick") });
    // The reset settings make What's New due again; it is closed as a person closes it.
    QObject::connect(delegate->informationWindows(), &InformationWindows::whatsNewWindowWillRun, delegate.get(),
        [](WhatNewWindowController* controller) {
            QMetaObject::invokeMethod(controller, [controller] { controller->window()->close(); }, Qt::QueuedConnection);
        });
    documents.openUntitledDocumentAndDisplay(true);
    ASSERT_EQ(delegate->windowControllers().size(), 1);
    QMainWindow* window = delegate->windowControllers().first()->window();
    delegate->applicationDidFinishLaunching();

    auto* alert = qobject_cast<QMessageBox*>(delegate->unreadableSettingsAlert());
    ASSERT_NE(alert, nullptr) << "nothing told the user";
    EXPECT_TRUE(test::waitUntil([&] { return alert->isVisible(); }));
    EXPECT_EQ(alert->parentWidget(), window);
    EXPECT_EQ(alert->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(alert->informativeText().contains(QDir::toNativeSeparators(kept))) << alert->informativeText().toStdString();
    EXPECT_FALSE(alert->text().isEmpty());

    // Once: a later call, or a second window, says nothing more.
    alert->buttons().first()->click();
    ASSERT_TRUE(test::waitUntil([&] { return !delegate->unreadableSettingsAlert(); }));
    delegate->tellOfUnreadableSettings();
    EXPECT_EQ(delegate->unreadableSettingsAlert(), nullptr);
    EXPECT_TRUE(window->findChildren<QMessageBox*>().isEmpty());
}

} // namespace

int main(int argc, char* argv[])
{
    test::isolateFromTheMachine();
    const QString path = settingsPath();
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(kDamaged) != kDamaged.size())
        return 3;
    file.close();
    return test::runTestProgram(argc, argv);
}
