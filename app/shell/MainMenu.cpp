#include "shell/MainMenu.h"

#include "platform/NotificationCenter.h"
#include "platform/text/TextView.h"
#include "preferences/IndividualDocumentStyler.h"
#include "shell/AnimatedSplitView.h"
#include "shell/MainWindowLayout.h"
#include "common/Notifications.h"
#include "shell/TVXAppDelegate.h"
#include "shell/TVXDocumentWindowController.h"
#include "shell/TVXDraftsMenu.h"
#include "shell/TVXWindowSplitViewController.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

namespace penwick {

namespace {

// The text view with the keyboard focus, if any: the edit commands act on it.
platform::TextView* focusedTextView()
{
    QWidget* focus = QApplication::focusWidget();
    while (focus) {
        if (auto* view = qobject_cast<platform::TextView*>(focus))
            return view;
        focus = focus->parentWidget();
    }
    return nullptr;
}

} // namespace

MainMenu::MainMenu(TVXDocumentWindowController* window, MainWindowLayout* layout, TVXAppDelegate* application)
    : QObject(layout)
    , m_controller(window)
    , m_layout(layout)
    , m_application(application)
{
    buildPenwickMenu();
    buildFileMenu();
    buildEditMenu();
    buildMarkdownMenu();
    buildViewMenu();
    buildWindowMenu();
    buildHelpMenu();
    addWindowCommands();
}

QMenuBar* MainMenu::menuBar() const
{
    return m_controller && m_controller->window() ? m_controller->window()->menuBar() : nullptr;
}

QKeySequence MainMenu::fullScreenKeys()
{
    const QList<QKeySequence> platform = QKeySequence::keyBindings(QKeySequence::FullScreen);
    return platform.isEmpty() ? QKeySequence(Qt::Key_F11) : platform.first();
}

QList<QKeySequence> MainMenu::zoomInKeys()
{
    // "=" shares its key with "+": Ctrl+= is what a person types first, Ctrl++ (Ctrl+Shift+=
    // or the keypad's +) is the platform's own.
    QList<QKeySequence> keys { QKeySequence(Qt::CTRL | Qt::Key_Equal) };
    for (const QKeySequence& platform : QKeySequence::keyBindings(QKeySequence::ZoomIn)) {
        if (!keys.contains(platform))
            keys.append(platform);
    }
    return keys;
}

QAction* MainMenu::addItem(QMenu* menu, const QString& title, const QKeySequence& keys, std::function<void()> action)
{
    QAction* item = menu->addAction(title);
    item->setShortcut(keys);
    QObject::connect(item, &QAction::triggered, menu, [action = std::move(action)] {
        if (action)
            action();
    });
    return item;
}

QAction* MainMenu::findItem(const QString& title) const
{
    for (QMenu* menu : { m_penwick, m_file, m_edit, m_markdown, m_view, m_window, m_help }) {
        if (!menu)
            continue;
        for (QAction* action : menu->actions()) {
            if (action->text() == title)
                return action;
        }
    }
    return nullptr;
}

// --- Penwick: about, preferences, quit ---

void MainMenu::buildPenwickMenu()
{
    m_penwick = menuBar()->addMenu(tr("&Penwick"));
    QPointer<TVXAppDelegate> app = m_application;
    QPointer<TVXDocumentWindowController> controller = m_controller;
    addItem(m_penwick, tr("About Penwick"), {}, [controller] {
        QMessageBox::about(controller ? controller->window() : nullptr, tr("About Penwick"),
            tr("<b>Penwick</b> %1<br>A Markdown editor with a live preview.").arg(QApplication::applicationVersion()));
    });
    addItem(m_penwick, tr("What's New in Penwick"), {}, [app] {
        if (app)
            app->whatsNew();
    });
    addItem(m_penwick, tr("Credits"), {}, [app] {
        if (app)
            app->showCredits();
    });
    m_penwick->addSeparator();
    addItem(m_penwick, tr("Preferences…"), QKeySequence(Qt::CTRL | Qt::Key_Comma), [app] {
        if (app)
            app->showPreferences();
    });
    m_penwick->addSeparator();
    QAction* quit = addItem(m_penwick, tr("Quit Penwick"), QKeySequence(Qt::CTRL | Qt::Key_Q), [app] {
        if (app)
            app->requestQuit();
    });
    quit->setMenuRole(QAction::QuitRole);
}

// --- File: new, open, save, close ---

void MainMenu::buildFileMenu()
{
    m_file = menuBar()->addMenu(tr("&File"));
    QPointer<TVXAppDelegate> app = m_application;
    QPointer<TVXDocumentWindowController> controller = m_controller;
    addItem(m_file, tr("New"), QKeySequence(Qt::CTRL | Qt::Key_N), [app] {
        if (app)
            app->newDocument();
    });
    addItem(m_file, tr("New Window"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N), [app] {
        if (app)
            app->newBlankWindow();
    });
    addItem(m_file, tr("Open…"), QKeySequence(Qt::CTRL | Qt::Key_O), [app] {
        if (app)
            app->openDocument();
    });
    addItem(m_file, tr("New Snippet…"), {}, [app] {
        if (app)
            app->newSnippet();
    });
    m_file->addSeparator();
    QAction* save = addItem(m_file, tr("Save"), QKeySequence(Qt::CTRL | Qt::Key_S), [controller] {
        if (controller && controller->document())
            controller->document()->saveDocument(controller);
    });
    save->setObjectName(QStringLiteral("saveDocument"));
    addItem(m_file, tr("Save As…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [controller] {
        if (controller && controller->document())
            controller->document()->saveDocumentAs();
    });
    addItem(m_file, tr("Revert to Saved"), {}, [controller] {
        TVXDocument* document = controller ? controller->document() : nullptr;
        if (!document || document->fileURL().isEmpty())
            return;
        platform::Document::MaybeError error;
        if (!document->revertToContentsOfURL(document->fileURL(), document->fileType(), &error) && error)
            document->presentError(*error);
    });
    // The temporary copies of untitled documents, listed afresh each time the menu opens.
    QMenu* drafts = m_file->addMenu(tr("Open Draft"));
    auto* draftsMenu = new TVXDraftsMenu(drafts);
    draftsMenu->setDraftFilesMenu(drafts);
    connect(drafts, &QMenu::aboutToShow, draftsMenu, &TVXDraftsMenu::populateDraftItemsMenu);
    if (m_application)
        m_application->addDraftsMenu(draftsMenu);
    connect(m_file, &QMenu::aboutToShow, this, [this, save] {
        if (m_controller && m_controller->document())
            m_controller->document()->validateMenuItem(save);
    });
    m_file->addSeparator();
    addItem(m_file, tr("Export HTML…"), {}, [controller] {
        if (controller)
            controller->exportHTML();
    });
    addItem(m_file, tr("Export PDF…"), {}, [controller] {
        if (controller)
            controller->exportPDF();
    });
    addItem(m_file, tr("Export Audio…"), {}, [controller] {
        if (controller && controller->document())
            controller->document()->exportAudioFile();
    });
    addItem(m_file, tr("Print…"), QKeySequence::Print, [controller] {
        if (controller && controller->document())
            controller->document()->printDocument();
    });
    m_file->addSeparator();
    addItem(m_file, tr("Close Tab"), QKeySequence(Qt::CTRL | Qt::Key_W), [controller] {
        if (controller)
            controller->removeActiveTabItem();
    });
    addItem(m_file, tr("Close Window"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W), [controller] {
        if (controller && controller->window())
            controller->window()->close();
    });
}

// --- Edit: undo, clipboard, find ---

void MainMenu::buildEditMenu()
{
    m_edit = menuBar()->addMenu(tr("&Edit"));
    // Each acts on the focused text view; the view answers its own keys first.
    const auto onText = [](void (platform::TextView::*command)()) {
        return [command] {
            if (platform::TextView* view = focusedTextView())
                (view->*command)();
        };
    };
    addItem(m_edit, tr("Undo"), QKeySequence::Undo, onText(&platform::TextView::undo));
    addItem(m_edit, tr("Redo"), {}, onText(&platform::TextView::redo))->setShortcuts(platform::TextView::redoKeys());
    m_edit->addSeparator();
    addItem(m_edit, tr("Cut"), QKeySequence::Cut, onText(&platform::TextView::cut));
    addItem(m_edit, tr("Copy"), QKeySequence::Copy, onText(&platform::TextView::copy));
    addItem(m_edit, tr("Paste"), QKeySequence::Paste, onText(&platform::TextView::paste));
    addItem(m_edit, tr("Select All"), QKeySequence::SelectAll, onText(&platform::TextView::selectAll));
    QPointer<TVXDocumentWindowController> controller = m_controller;
    addItem(m_edit, tr("Copy HTML"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_H), [controller] {
        if (controller && controller->document())
            controller->document()->copyHTMLToClipboard();
    });
    QAction* copySelection = addItem(m_edit, tr("Copy Selected Text as HTML"), {}, [controller] {
        if (controller && controller->document())
            controller->document()->copySelectedTextAsHTML();
    });
    copySelection->setObjectName(QStringLiteral("copySelectedTextAsHTML"));
    connect(m_edit, &QMenu::aboutToShow, this, [this, copySelection] {
        TVXDocument* document = m_controller ? m_controller->document() : nullptr;
        copySelection->setEnabled(document && document->validateMenuItem(copySelection));
    });
    m_edit->addSeparator();
    addItem(m_edit, tr("Find…"), QKeySequence::Find, onText(&platform::TextView::showFindBar));
}

// --- View: the panes ---

void MainMenu::buildViewMenu()
{
    m_view = menuBar()->addMenu(tr("&View"));
    QPointer<TVXDocumentWindowController> controller = m_controller;
    QAction* distractionFree = addItem(m_view, tr("Enter Distraction Free Mode"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D), {});
    distractionFree->setData(0); // the mode: 0 off, 1 on
    connect(distractionFree, &QAction::triggered, this, [controller, distractionFree] {
        if (controller)
            controller->enterDistractionFreeMode(distractionFree);
    });
    addItem(m_view, tr("Full Screen"), fullScreenKeys(), [controller] {
        if (controller)
            controller->toggleFullScreen();
    });
    m_view->addSeparator();
    QAction* zoomIn = addItem(m_view, tr("Zoom In"), zoomInKeys().value(0), [controller] {
        if (controller)
            controller->zoomIn();
    });
    zoomIn->setShortcuts(zoomInKeys());
    addItem(m_view, tr("Zoom Out"), QKeySequence::ZoomOut, [controller] {
        if (controller)
            controller->zoomOut();
    });
    addItem(m_view, tr("Actual Size"), QKeySequence(Qt::CTRL | Qt::Key_0), [controller] {
        if (controller)
            controller->zoomImageToActualSize();
    });
    m_view->addSeparator();
    addDocumentStyleMenus();
    TVXWindowSplitViewController* split = m_layout ? m_layout->splitViewController() : nullptr;
    if (!split)
        return;
    using Action = TVXWindowSplitViewController::Action;
    const struct {
        Action action;
        QKeySequence keys;
    } layoutItems[] = {
        { Action::ToggleNavigator, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_1) },
        { Action::TogglePreview, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_3) },
        { Action::ShowOnlyEditor, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_2) },
        { Action::MakePreviewAndEditorSizeEqual, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_0) },
    };
    for (const auto& item : layoutItems) {
        QAction* action = split->action(item.action);
        action->setShortcut(item.keys);
        m_view->addAction(action);
    }
}

// The application's one pair of per-document style submenus. Each window's View menu shows
// them; opening it puts the check marks on this window's document, which the choice will go to.
void MainMenu::addDocumentStyleMenus()
{
    IndividualDocumentStyler* styler = m_application ? m_application->documentStyler() : nullptr;
    if (!styler)
        return;
    m_view->addMenu(styler->editorStylesMenu());
    m_view->addMenu(styler->previewStylesMenu());
    m_view->addSeparator();
    QPointer<IndividualDocumentStyler> target = styler;
    connect(m_view, &QMenu::aboutToShow, this, [this, target] {
        if (target && m_controller && m_controller->document())
            target->handleDocumentSelected({ Notifications::DOCUMENT_SELECTED, nullptr,
                TVXDocumentWindowController::documentSelectedInfo(m_controller->document()) });
    });
}

// --- Window: tabs and windows ---

void MainMenu::buildWindowMenu()
{
    m_window = menuBar()->addMenu(tr("&Window"));
    QPointer<TVXDocumentWindowController> controller = m_controller;
    addItem(m_window, tr("Minimize"), QKeySequence(Qt::CTRL | Qt::Key_M), [controller] {
        if (controller && controller->window())
            controller->window()->showMinimized();
    });
    m_window->addSeparator();
    addItem(m_window, tr("Select Next Tab"), QKeySequence(Qt::CTRL | Qt::Key_PageDown), [controller] {
        if (controller)
            controller->gotoNextDoc();
    });
    addItem(m_window, tr("Select Previous Tab"), QKeySequence(Qt::CTRL | Qt::Key_PageUp), [controller] {
        if (controller)
            controller->gotoPrevDoc();
    });
    addItem(m_window, tr("Switch to Recent Tab"), QKeySequence(Qt::CTRL | Qt::Key_Tab), [controller] {
        if (controller)
            controller->gotoNextDocInStack();
    });
    // Ctrl+Shift+Tab, not Ctrl+Shift+Backtab: X11 reports that chord as Tab with Shift (or
    // as Backtab without it), never as Backtab with Shift.
    addItem(m_window, tr("Switch to Earlier Tab"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), [controller] {
        if (controller)
            controller->gotoPrevDocInStack();
    });
}

// --- Help ---

void MainMenu::buildHelpMenu()
{
    m_help = menuBar()->addMenu(tr("&Help"));
    (new TVXDraftsMenu(m_help))->addHelpItems(m_help);
    m_help->addSeparator();
    QPointer<TVXAppDelegate> app = m_application;
    addItem(m_help, tr("Send Feedback…"), {}, [app] {
        if (app)
            app->presentFeedbackWindow();
    });
}

} // namespace penwick
