// The per-document editor-theme and preview-style submenus, reached as a person reaches them:
// through the View menu of a real document window's menu bar. A choice restyles the selected
// tab's document and no other.
#include "PrefsTestSupport.h"

#include "TestSupport.h"
#include "platform/UserDefaults.h"
#include "platform/web/WebView.h"
#include "preview/PreviewPane.h"
#include "shell/MainTextEditor.h"
#include "shell/AnimatedSplitView.h"
#include "shell/MainWindowLayout.h"
#include "common/Prefs.h"
#include "shell/TVXAppDelegate.h"
#include "shell/TVXDocumentController.h"
#include "shell/TVXDocumentWindowController.h"
#include "shell/TVXTextEditorViewController.h"
#include "shell/TVXWindowSplitViewController.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include <memory>

using namespace penwick;
using penwick::test::writeFile;

namespace {

const QColor kDay(0xFF, 0xFF, 0xFF);
const QColor kNight(0x10, 0x14, 0x18);

QByteArray theme(const char* background)
{
    return QByteArray("editor\n    foreground: 202020\n    background: ") + background + "\n\nH1\n    foreground: 800000\n";
}

// Each entry as "title" with "*" for a check mark, "-" for a separator.
QStringList shown(const QMenu* menu)
{
    QStringList out;
    for (QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text() + (a->isChecked() ? QStringLiteral("*") : QString()));
    return out;
}

QAction* itemIn(const QWidget* menu, const QString& title)
{
    if (!menu)
        return nullptr;
    for (QAction* a : menu->actions()) {
        if (QString(a->text()).remove(QLatin1Char('&')) == title)
            return a;
    }
    return nullptr;
}

class DocumentStyleMenus : public test::ThemeFoldersTest {
protected:
    static void SetUpTestSuite() { TVXTextEditorViewController::installAsEditorFactory(); }

    void SetUp() override
    {
        test::ThemeFoldersTest::SetUp();
        useBuiltResources(); // the preview's scripts and the shipped themes
        day = userThemes() + QStringLiteral("/Day.txt");
        night = userThemes() + QStringLiteral("/Night.txt");
        plain = userThemes() + QStringLiteral("/Plain.css");
        bright = userThemes() + QStringLiteral("/Bright.css");
        writeFile(day, theme("FFFFFF"));
        writeFile(night, theme("101418"));
        writeFile(plain, "body { background-color: rgb(250, 250, 250); }\n");
        writeFile(bright, "body { background-color: rgb(1, 2, 3); }\n");
        auto& defaults = platform::UserDefaults::standard();
        defaults.setValue(Prefs::EDITOR_THEME_NAME, day);
        defaults.setValue(Prefs::PREVIEW_STYLE_NAME, plain);

        delegate = std::make_unique<TVXAppDelegate>(&documents);
        delegate->setWindowFactory([this] { return MainWindowLayout::makeDocumentWindow(delegate.get()); });
        delegate->applicationWillFinishLaunching({ QStringLiteral("Penwick") });
    }

    void TearDown() override
    {
        delegate.reset();
        test::ThemeFoldersTest::TearDown();
    }

    // A window with the documents as tabs, shown, its preview pane open.
    TVXDocumentWindowController* openWindow(const QStringList& names)
    {
        QStringList paths;
        for (const QString& name : names) {
            paths << test::temporaryFolder() + QLatin1Char('/') + name;
            writeFile(paths.last(), "# " + name.toUtf8() + "\n\nSome text.\n");
        }
        const qsizetype before = delegate->windowControllers().size();
        // Later windows: the first document goes to a new window, the others follow it there.
        documents.setOpenInNewWindowRequested(before > 0);
        delegate->openPaths(paths);
        EXPECT_EQ(delegate->windowControllers().size(), before + 1);
        TVXDocumentWindowController* window = delegate->windowControllers().last();
        window->window()->resize(1100, 700);
        window->showWindow();
        TVXWindowSplitViewController* split = window->findChild<MainWindowLayout*>()->splitViewController();
        if (split->currentPreviewPaneState() == 0)
            split->action(TVXWindowSplitViewController::Action::TogglePreview)->trigger();
        return window;
    }

    TVXDocument* documentNamed(TVXDocumentWindowController* window, const QString& name) const
    {
        for (TVXDocument* document : window->documents()) {
            if (document->displayName().startsWith(name))
                return document;
        }
        ADD_FAILURE() << "no document " << name.toStdString();
        return nullptr;
    }

    static TVXTextEditorViewController* editorOf(TVXDocument* document)
    {
        return document ? dynamic_cast<TVXTextEditorViewController*>(document->editorViewController()) : nullptr;
    }

    static QColor background(TVXDocument* document)
    {
        TVXTextEditorViewController* editor = editorOf(document);
        return editor ? editor->editorTextView()->palette().color(QPalette::Base) : QColor();
    }

    // View › <submenu> of the window's own menu bar, once the styler has filled it.
    static QMenu* submenu(TVXDocumentWindowController* window, const QString& title)
    {
        QAction* view = nullptr;
        for (QAction* top : window->window()->menuBar()->actions()) {
            if (QString(top->text()).remove(QLatin1Char('&')) == QStringLiteral("View"))
                view = top;
        }
        QAction* item = view ? itemIn(view->menu(), title) : nullptr;
        return item ? item->menu() : nullptr;
    }

    // The entry `title` of View › <submenu>, waiting for the lists to arrive.
    static QAction* entry(TVXDocumentWindowController* window, const QString& menuTitle, const QString& title)
    {
        QAction* found = nullptr;
        test::waitUntil([&] { return (found = itemIn(submenu(window, menuTitle), title)) != nullptr; });
        EXPECT_NE(found, nullptr) << "View › " << menuTitle.toStdString() << " › " << title.toStdString();
        return found;
    }

    // The style sheet's body colour in the window's preview page.
    static QString previewBackground(TVXDocumentWindowController* window)
    {
        auto* layout = window->findChild<MainWindowLayout*>();
        if (!layout)
            return {};
        QString colour;
        bool answered = false;
        layout->previewPane()->webView()->runScript(QStringLiteral("document.body ? getComputedStyle(document.body).backgroundColor : ''"),
            platform::WebView::World::Page, [&](const QVariant& value) {
                colour = value.toString();
                answered = true;
            });
        test::waitUntil([&] { return answered; }, 20000);
        return colour;
    }

    static bool waitForPreviewBackground(TVXDocumentWindowController* window, const QString& colour)
    {
        return test::waitUntil([&] { return previewBackground(window) == colour; }, 30000);
    }

    TVXDocumentController documents;
    std::unique_ptr<TVXAppDelegate> delegate;
    QString day, night, plain, bright;
};

TEST_F(DocumentStyleMenus, AnEditorThemeChosenInTheViewMenuRestylesOnlyTheSelectedDocument)
{
    TVXDocumentWindowController* window = openWindow({ QStringLiteral("a.md"), QStringLiteral("b.md") });
    TVXDocument* a = documentNamed(window, QStringLiteral("a"));
    TVXDocument* b = documentNamed(window, QStringLiteral("b"));
    ASSERT_TRUE(a && b);
    window->switchToDocument(a);
    QAction* nightEntry = entry(window, QStringLiteral("Editor Theme"), QStringLiteral("Night"));
    ASSERT_TRUE(nightEntry);
    QMenu* themes = submenu(window, QStringLiteral("Editor Theme"));
    EXPECT_EQ(shown(themes).mid(0, 2), (QStringList { "Default (Day)*", "-" }));
    ASSERT_EQ(background(a), kDay);
    ASSERT_EQ(background(b), kDay);

    nightEntry->trigger();
    EXPECT_EQ(background(a), kNight);
    EXPECT_EQ(editorOf(a)->overriddenStylePath(), std::optional<QString>(night));
    EXPECT_EQ(background(b), kDay);
    EXPECT_FALSE(editorOf(b)->overriddenStylePath());
    EXPECT_TRUE(itemIn(themes, QStringLiteral("Night"))->isChecked());

    // The check marks follow the tabs.
    window->switchToDocument(b);
    EXPECT_TRUE(itemIn(themes, QStringLiteral("Default (Day)"))->isChecked());
    EXPECT_FALSE(itemIn(themes, QStringLiteral("Night"))->isChecked());
    window->switchToDocument(a);
    EXPECT_TRUE(itemIn(themes, QStringLiteral("Night"))->isChecked());

    // The default entry gives the document back to the global theme.
    itemIn(themes, QStringLiteral("Default (Day)"))->trigger();
    EXPECT_EQ(background(a), kDay);
    EXPECT_FALSE(editorOf(a)->overriddenStylePath());
}

TEST_F(DocumentStyleMenus, APreviewStyleChosenInTheViewMenuRestylesOnlyTheSelectedDocumentsPreview)
{
    TVXDocumentWindowController* window = openWindow({ QStringLiteral("a.md"), QStringLiteral("b.md") });
    TVXDocument* a = documentNamed(window, QStringLiteral("a"));
    TVXDocument* b = documentNamed(window, QStringLiteral("b"));
    ASSERT_TRUE(a && b);
    window->switchToDocument(a);
    QAction* brightEntry = entry(window, QStringLiteral("Preview Style"), QStringLiteral("Bright"));
    ASSERT_TRUE(brightEntry);
    ASSERT_TRUE(waitForPreviewBackground(window, QStringLiteral("rgb(250, 250, 250)"))) << previewBackground(window).toStdString();

    brightEntry->trigger();
    EXPECT_EQ(editorOf(a)->overriddenPreviewStylePath(), std::optional<QString>(bright));
    EXPECT_TRUE(waitForPreviewBackground(window, QStringLiteral("rgb(1, 2, 3)"))) << previewBackground(window).toStdString();

    window->switchToDocument(b);
    EXPECT_FALSE(editorOf(b)->overriddenPreviewStylePath());
    EXPECT_TRUE(waitForPreviewBackground(window, QStringLiteral("rgb(250, 250, 250)"))) << previewBackground(window).toStdString();
    EXPECT_TRUE(itemIn(submenu(window, QStringLiteral("Preview Style")), QStringLiteral("Default (Plain)"))->isChecked());

    window->switchToDocument(a);
    EXPECT_TRUE(waitForPreviewBackground(window, QStringLiteral("rgb(1, 2, 3)"))) << previewBackground(window).toStdString();
    // The editor theme was not touched.
    EXPECT_EQ(background(a), kDay);
    EXPECT_FALSE(editorOf(a)->overriddenStylePath());
}

TEST_F(DocumentStyleMenus, OpeningAWindowsViewMenuChecksThatWindowsDocument)
{
    TVXDocumentWindowController* first = openWindow({ QStringLiteral("a.md") });
    QAction* nightEntry = entry(first, QStringLiteral("Editor Theme"), QStringLiteral("Night"));
    ASSERT_TRUE(nightEntry);
    nightEntry->trigger();
    TVXDocumentWindowController* second = openWindow({ QStringLiteral("b.md") });
    ASSERT_NE(first, second);
    QMenu* themes = submenu(second, QStringLiteral("Editor Theme"));
    ASSERT_EQ(themes, submenu(first, QStringLiteral("Editor Theme"))) << "one pair of submenus for every window";

    struct Case {
        TVXDocumentWindowController* window;
        const char* checked;
    };
    for (const Case& c : { Case { second, "Default (Day)" }, Case { first, "Night" }, Case { second, "Default (Day)" } }) {
        QMenu* view = itemIn(c.window->window()->menuBar(), QStringLiteral("View"))->menu();
        view->popup(QPoint(0, 0));
        EXPECT_TRUE(test::waitUntil([&] { return view->isVisible(); }));
        view->hide();
        const QStringList marks = shown(themes).filter(QStringLiteral("*"));
        EXPECT_EQ(marks, QStringList { QString::fromUtf8(c.checked) + QLatin1Char('*') });
    }
}

} // namespace
