#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

class QToolButton;

namespace penwick {

namespace platform {
class TreeListView;
}

class AnimatedSplitView;
class MainMenu;
class PreviewPane;
class SidebarDocumentHost;
class SidebarManager;
class TVXAppDelegate;
class TVXDocumentWindowController;
class TVXWindowSplitViewController;
class WindowPreview;
class WindowSidebar;

// What surrounds the tabs of a document window: the sidebar on the left, the preview on the
// right, the three-pane layout holding them, and the menu bar. The window controller owns it
// and frees it before its window.
class MainWindowLayout : public QObject {
    Q_OBJECT
public:
    // A complete document window of the application: its controller with this layout around it.
    static TVXDocumentWindowController* makeDocumentWindow(TVXAppDelegate* application);

    // Builds the panes into the controller's window; `host` opens what the sidebar asks for.
    MainWindowLayout(TVXDocumentWindowController* controller, SidebarDocumentHost* host);
    ~MainWindowLayout() override;

    TVXDocumentWindowController* windowController() const { return m_controller; }
    AnimatedSplitView* splitView() const;
    TVXWindowSplitViewController* splitViewController() const;
    SidebarManager* sidebarManager() const;
    platform::TreeListView* sourceList() const;
    PreviewPane* previewPane() const;
    // The editor outline's button at the end of the tab row.
    QToolButton* editorOutlineButton() const;
    MainMenu* mainMenu() const;
    void setMainMenu(MainMenu* menu);

private:
    QPointer<TVXDocumentWindowController> m_controller;
    QPointer<AnimatedSplitView> m_splitView;
    QPointer<TVXWindowSplitViewController> m_splitController;
    QPointer<SidebarManager> m_sidebarManager;
    QPointer<platform::TreeListView> m_sourceList;
    QPointer<PreviewPane> m_previewPane;
    QPointer<QToolButton> m_editorOutlineButton;
    QPointer<MainMenu> m_menu;
    std::unique_ptr<WindowSidebar> m_sidebar;
    std::unique_ptr<WindowPreview> m_preview;
};

} // namespace penwick
