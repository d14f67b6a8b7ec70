#pragma once

#include <QKeySequence>
#include <QObject>
#include <QHash>
#include <QPointer>

#include <functional>

class QAction;
class QMenu;
class QMenuBar;

namespace penwick {

class MainWindowLayout;
class TVXAppDelegate;
class TVXDocumentWindowController;

// The menu bar of a document window, built in one place. Each menu has a function of its own
// below; a command is added there with addItem(), next to its neighbours. Commands of the
// application go to the application delegate, commands of a window to that window's
// controller (the one the menu bar belongs to is the one the user works in).
class MainMenu : public QObject {
    Q_OBJECT
public:
    MainMenu(TVXDocumentWindowController* window, MainWindowLayout* layout, TVXAppDelegate* application);

    QMenuBar* menuBar() const;
    QMenu* penwickMenu() const { return m_penwick; }
    QMenu* fileMenu() const { return m_file; }
    QMenu* editMenu() const { return m_edit; }
    QMenu* markdownMenu() const { return m_markdown; }
    QMenu* viewMenu() const { return m_view; }
    QMenu* windowMenu() const { return m_window; }
    QMenu* helpMenu() const { return m_help; }
    // The item with this title in any menu (for tests and for menus that add after another).
    QAction* findItem(const QString& title) const;

    // The keys of Full Screen: the platform's own, else F11, as Linux desktops have it.
    static QKeySequence fullScreenKeys();
    // The keys of Zoom In: Ctrl+= first, then the platform's own.
    static QList<QKeySequence> zoomInKeys();
    // Adds a command to `menu`: its title, its keys, what it does.
    static QAction* addItem(QMenu* menu, const QString& title, const QKeySequence& keys, std::function<void()> action);

private:
    void buildPenwickMenu();
    void buildFileMenu();
    void buildEditMenu();
    void buildViewMenu();
    void addDocumentStyleMenus();
    void buildWindowMenu();
    void buildHelpMenu();
    // The Markdown menu of format items, and the window's commands in the other menus, each
    // enabled by the window's state whenever its menu opens.
    void buildMarkdownMenu();
    void addWindowCommands();
    void validateWindowCommands(QMenu* menu);

    QPointer<TVXDocumentWindowController> m_controller;
    QPointer<MainWindowLayout> m_layout;
    QPointer<TVXAppDelegate> m_application;
    QMenu* m_penwick = nullptr;
    QMenu* m_file = nullptr;
    QMenu* m_edit = nullptr;
    QMenu* m_markdown = nullptr;
    QMenu* m_view = nullptr;
    QMenu* m_window = nullptr;
    QMenu* m_help = nullptr;
    QHash<QAction*, int> m_windowCommands; // item → TVXDocumentWindowController::Command
};

} // namespace penwick
