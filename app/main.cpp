#include "CoreSetup.h"
#include "Extensions/Realm.h"
#include "preferences/EditorPreferencesSynchronizer.h"
#include "preferences/TVXPreferencesController.h"
#include "preferences/ThemeListLoader.h"
#include "preferences/ThemesFactory.h"
#include "shell/MagicStrings.h"
#include "shell/PenwickWindow.h"
#include "shell/TVXDocument.h"
#include "shell/TVXTextEditorViewController.h"
#include "sidebar/FavoriteDBItem.h"
#include "platform/ApplicationStartup.h"

#include <QApplication>
#include <QMenuBar>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (!penwick::platform::hasDisplay()) {
        std::fputs(qPrintable(penwick::platform::noDisplayMessage(QStringLiteral("Penwick"), QString::fromLocal8Bit(argv[0]))), stderr);
        return 2;
    }
    penwick::platform::prepareWebEngine();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Penwick"));
    QApplication::setOrganizationDomain(QStringLiteral("penwick.org"));
    penwick::registerBundledDefaults();
    // Penwick's own record class shares the database file; it must be known before set-up.
    penwick::FavoriteDBItem::registerSchema();
    penwick::RealmSetup::setup();

    // For now one window with one editor pane on an untitled document.
    penwick::PenwickWindow window;
    window.awakeFromNib();
    window.setWindowTitle(QStringLiteral("Penwick"));
    penwick::TVXDocument document;
    document.setContents(QString());
    penwick::TVXTextEditorViewController pane(&document);
    // Without a chosen editor theme, the shipped theme the Editor preferences show first.
    if (!penwick::EditorPreferencesSynchronizer::sharedInstance().getPreferredThemePath()) {
        const auto shipped = penwick::sortedDescending(penwick::ThemesFactory::sharedInstance().getBundledThemesOfType(
            penwick::EditorStrings::THEME_EXT, penwick::EditorStrings::THEMES_FOLDER));
        if (!shipped.isEmpty())
            pane.setOverriddenStylePath(shipped.first().path());
    }
    window.setCentralWidget(pane.view());
    pane.editorTextView()->setFocus();

    penwick::TVXPreferencesController preferences;
    QMenu* penwickMenu = window.menuBar()->addMenu(QStringLiteral("&Penwick"));
    QAction* openPreferences = penwickMenu->addAction(QStringLiteral("Preferences…"));
    openPreferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    QObject::connect(openPreferences, &QAction::triggered, &preferences, &penwick::TVXPreferencesController::openPreferences);

    window.resize(900, 640);
    window.show();
    pane.adjustForWindow(&window);
    const int result = app.exec();
    window.takeCentralWidget(); // the pane deletes its own view
    return result;
}
