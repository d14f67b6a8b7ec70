#include "PrefsTestSupport.h"

#include "TestSupport.h"
#include "Extensions/Realm.h"
#include "preferences/PreferencePane.h"
#include "preferences/TVXPreferencesController.h"
#include "preferences/TVXPreferencesWindowController.h"
#include "platform/StandardLocations.h"

#include <QAction>
#include <QFile>
#include <QRegularExpression>
#include <QApplication>
#include <QMainWindow>
#include <QToolBar>
#include <QTest>

using namespace penwick;

namespace {

// A pane that records what the window tells it, in one log shared by all of them.
class RecordingPane : public PreferencePane {
public:
    RecordingPane(QString id, QStringList* log) : m_id(std::move(id)), m_log(log) {}
    QString identifier() const override { return m_id; }
    QString toolbarItemLabel() const override { return m_id + " label"; }
    QIcon toolbarItemImage() const override { return {}; }
    void viewWillAppear() override { m_log->append(m_id + " appears"); }
    void viewDidDisappear() override { m_log->append(m_id + " disappears"); }

private:
    QString m_id;
    QStringList* m_log;
};

// Through the application's key handling, as typing delivers it, so shortcuts apply.
void pressCtrlW(QWidget* window)
{
    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
    QCoreApplication::processEvents();
}

} // namespace

TEST(PreferencesWindow, ToolbarListsThePanesInOrder)
{
    ASSERT_TRUE(RealmSetup::setupInFolder(test::temporaryFolder()));
    TVXPreferencesController controller;
    TVXPreferencesWindowController* window = controller.preferencesWindowController();
    EXPECT_EQ(window->windowTitle(), "Preferences");
    QStringList labels, identifiers;
    for (QAction* item : window->toolbarActions()) {
        labels << item->text();
        identifiers << item->objectName();
        EXPECT_FALSE(item->icon().isNull()) << item->text().toStdString();
    }
    for (PreferencePane* pane : window->panes())
        EXPECT_EQ(identifiers.at(window->panes().indexOf(pane)), pane->identifier());
    EXPECT_EQ(labels, (QStringList { "General", "Editor", "Preview", "Real Preview", "Custom CSS", "Script Assets", "Navigator" }));
    EXPECT_EQ(identifiers, (QStringList { "GeneralPreferences", "EditorPreferences", "StylesPreferences", "RealPreview",
                               "GlobalCustomCSS", "ScriptAssets", "NavigatorPreferences" }));
    RealmSetup::close();
}

TEST(PreferencesWindow, OpeningTwiceShowsOneWindow)
{
    TVXPreferencesController controller;
    controller.openPreferences();
    TVXPreferencesWindowController* first = controller.preferencesWindowController();
    EXPECT_TRUE(first->isVisible());
    first->close();
    EXPECT_FALSE(first->isVisible());
    controller.openPreferences();
    EXPECT_EQ(controller.preferencesWindowController(), first);
    int windows = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        windows += qobject_cast<TVXPreferencesWindowController*>(w) != nullptr && w->isVisible();
    EXPECT_EQ(windows, 1);
}

TEST(PreferencesWindow, SwitchingTellsTheOldPaneThenTheNewOne)
{
    QStringList log;
    TVXPreferencesWindowController window({ new RecordingPane("A", &log), new RecordingPane("B", &log), new RecordingPane("C", &log) }, "Preferences");
    EXPECT_TRUE(log.isEmpty()) << "nothing appears before the window is shown";
    window.showWindow();
    EXPECT_EQ(log, QStringList { "A appears" });
    window.toolbarActions().at(2)->trigger();
    EXPECT_EQ(window.selectedPane()->identifier(), "C");
    window.toolbarActions().at(2)->trigger(); // the pane shown: nothing
    EXPECT_TRUE(window.selectPane("B"));
    EXPECT_FALSE(window.selectPane("Z"));
    window.close();
    window.showWindow();
    EXPECT_EQ(log, (QStringList { "A appears", "A disappears", "C appears", "C disappears", "B appears", "B disappears", "B appears" }));
    EXPECT_TRUE(window.toolbarActions().at(1)->isChecked());
    EXPECT_FALSE(window.toolbarActions().at(2)->isChecked());
}

TEST(PreferencesWindow, CtrlWClosesItOnlyWhenItIsActive)
{
    QStringList log;
    TVXPreferencesWindowController window({ new RecordingPane("A", &log) }, "Preferences");
    QMainWindow document;
    bool documentClosed = false;
    auto* closeDocument = new QAction(&document);
    closeDocument->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    QObject::connect(closeDocument, &QAction::triggered, [&] { documentClosed = true; });
    document.addAction(closeDocument);
    document.show();
    window.showWindow();

    // The document window is active: the command reaches it, and the preferences stay.
    QApplication::setActiveWindow(&document);
    ASSERT_TRUE(test::waitUntil([&] { return QApplication::activeWindow() == &document; }));
    pressCtrlW(&document);
    EXPECT_TRUE(documentClosed);
    EXPECT_TRUE(window.isVisible());

    documentClosed = false;
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(test::waitUntil([&] { return QApplication::activeWindow() == &window; }));
    pressCtrlW(&window);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(documentClosed);
    EXPECT_EQ(log, (QStringList { "A appears", "A disappears" }));
}

TEST(PreferencesWindow, TheThemesHelpPageNamesPanesThatExist)
{
    QFile page(platform::resourcesDirectory() + QStringLiteral("/Help/themes.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << page.fileName().toStdString();
    const QString text = QString::fromUtf8(page.readAll()).simplified();
    ASSERT_TRUE(RealmSetup::setupInFolder(test::temporaryFolder()));
    TVXPreferencesController controller;
    QStringList labels;
    for (QAction* item : controller.preferencesWindowController()->toolbarActions())
        labels << item->text();
    RealmSetup::close();
    static const QRegularExpression named(QStringLiteral("Preferences, (\\w+)"));
    QStringList mentioned;
    for (const QRegularExpressionMatch& match : named.globalMatch(text))
        mentioned << match.captured(1);
    EXPECT_EQ(mentioned, (QStringList { "Editor", "Preview" }));
    for (const QString& pane : std::as_const(mentioned))
        EXPECT_TRUE(labels.contains(pane)) << pane.toStdString();
}
