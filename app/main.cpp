#include "CoreSetup.h"
#include "Extensions/Realm.h"
#include "highlighter/EditorThemes.h"
#include "preferences/EditorPreferencesSynchronizer.h"
#include "preferences/TVXPreferencesController.h"
#include "preferences/ThemesFactory.h"
#include "shell/MagicStrings.h"
#include "LXLogger.h"
#include "highlighter/MarkdownHighlighter.h"
#include "TextEditor/TextEditorView.h"
#include "platform/ApplicationStartup.h"

#include <QApplication>
#include <QMainWindow>
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
    penwick::RealmSetup::setup();

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Penwick"));
    auto* editor = new penwick::TextEditorView(&window);
    editor->awakeFromNib();
    window.setCentralWidget(editor);

    auto* highlighter = new penwick::MarkdownHighlighter(editor, &window);
    // The chosen theme, else the first shipped one.
    std::optional<QString> themePath = penwick::EditorPreferencesSynchronizer::sharedInstance().getPreferredThemePath();
    if (!themePath) {
        const auto shipped = penwick::ThemesFactory::sharedInstance().getBundledThemesOfType(
            penwick::EditorStrings::THEME_EXT, penwick::EditorStrings::THEMES_FOLDER);
        if (!shipped.isEmpty())
            themePath = shipped.first().path();
    }
    if (themePath) {
        QString error;
        if (const auto sheet = penwick::readEditorTheme(*themePath, &error))
            highlighter->applyStylesFromStylesheet(*sheet);
        else
            penwick::log().error(error);
    }
    highlighter->activate();

    penwick::TVXPreferencesController preferences;
    QMenu* penwickMenu = window.menuBar()->addMenu(QStringLiteral("&Penwick"));
    QAction* openPreferences = penwickMenu->addAction(QStringLiteral("Preferences…"));
    openPreferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    QObject::connect(openPreferences, &QAction::triggered, &preferences, &penwick::TVXPreferencesController::openPreferences);

    window.resize(900, 640);
    window.show();
    return app.exec();
}
