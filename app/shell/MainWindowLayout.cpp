#include "shell/MainWindowLayout.h"

#include "platform/treelist/TreeListView.h"
#include "preview/PreviewController.h"
#include "preview/PreviewPane.h"
#include "shell/AnimatedSplitView.h"
#include "shell/MainMenu.h"
#include "shell/StoreNotice.h"
#include "shell/TVXAppDelegate.h"
#include "shell/TVXDocumentWindowController.h"
#include "shell/TVXWindowSplitViewController.h"
#include "shell/WindowPreview.h"
#include "shell/WindowSidebar.h"
#include "sidebar/FoldersNavigator.h"
#include "sidebar/SidebarManager.h"
#include "sidebar/WatchNotice.h"

#include <QMainWindow>
#include <QToolButton>
#include <QVBoxLayout>

namespace penwick {

TVXDocumentWindowController* MainWindowLayout::makeDocumentWindow(TVXAppDelegate* application)
{
    auto* controller = new TVXDocumentWindowController;
    auto* layout = new MainWindowLayout(controller, application->documentController());
    controller->setWindowParts(layout);
    layout->setMainMenu(new MainMenu(controller, layout, application));
    return controller;
}

MainWindowLayout::MainWindowLayout(TVXDocumentWindowController* controller, SidebarDocumentHost* host)
    : m_controller(controller)
{
    QMainWindow* window = controller->window();
    QWidget* tabs = window->takeCentralWidget();

    m_splitView = new AnimatedSplitView(Qt::Horizontal);
    m_splitView->setObjectName(QStringLiteral("windowSplitView"));

    auto* navigator = new QWidget;
    navigator->setObjectName(QStringLiteral("navigatorPane"));
    auto* navigatorLayout = new QVBoxLayout(navigator);
    navigatorLayout->setContentsMargins(0, 0, 0, 0);
    m_sourceList = new platform::TreeListView(navigator);
    navigatorLayout->addWidget(m_sourceList);
    navigatorLayout->addWidget(new StoreNotice(navigator));

    m_previewPane = new PreviewPane;
    m_previewPane->setObjectName(QStringLiteral("previewPane"));

    m_splitView->addWidget(navigator);
    m_splitView->addWidget(tabs);
    m_splitView->addWidget(m_previewPane);
    window->setCentralWidget(m_splitView);
    const int width = window->width();
    const int navigatorWidth = TVXWindowSplitViewController::DEFAULT_NAVIGATOR_POSITION;
    m_splitView->setSizes({ navigatorWidth, (width - navigatorWidth) / 2, (width - navigatorWidth) / 2 });

    m_splitController = new TVXWindowSplitViewController(this);
    m_splitController->setWindowSplitView(m_splitView);
    m_splitController->setParentWindow(window);
    m_splitController->setBars(nullptr, nullptr, nullptr, controller->tabBarView()->barRow());
    m_splitController->awakeFromNib();
    controller->setSplitViewController(m_splitController);

    PreviewController* preview = m_previewPane->controller();
    QPointer<TVXWindowSplitViewController> split = m_splitController;
    preview->setSplitView(m_splitController, [split] { return split ? split->currentPreviewPaneState() : 0; });

    m_sidebarManager = new SidebarManager(m_sourceList, host, this);
    m_sidebarManager->awakeFromNib();
    navigatorLayout->insertWidget(1, new WatchNotice(m_sidebarManager->foldersNavigator(), navigator));

    // The outline buttons: the editor's at the end of the tab row, the preview's in its bar.
    auto* editorOutline = new QToolButton;
    editorOutline->setObjectName(QStringLiteral("editorOutlineButton"));
    editorOutline->setText(tr("Outline"));
    editorOutline->setToolTip(tr("Show the headings of the document"));
    editorOutline->setCheckable(true);
    editorOutline->setAutoRaise(true);
    controller->tabBarView()->addBarWidget(editorOutline);
    m_editorOutlineButton = editorOutline;
    QPointer<TVXDocumentWindowController> owner = controller;
    connect(editorOutline, &QToolButton::clicked, this, [owner, editorOutline] {
        if (owner)
            owner->showEditorOutlines(editorOutline);
    });
    QToolButton* previewOutline = m_previewPane->outlineButton();
    connect(previewOutline, &QToolButton::clicked, this, [owner, previewOutline] {
        if (owner)
            owner->showPreviewOutlines(previewOutline);
    });

    m_sidebar = std::make_unique<WindowSidebar>(m_sidebarManager);
    m_preview = std::make_unique<WindowPreview>(preview);
    controller->setSidebarManager(m_sidebar.get());
    controller->setPreviewController(m_preview.get());
}

AnimatedSplitView* MainWindowLayout::splitView() const { return m_splitView; }
TVXWindowSplitViewController* MainWindowLayout::splitViewController() const { return m_splitController; }
SidebarManager* MainWindowLayout::sidebarManager() const { return m_sidebarManager; }
platform::TreeListView* MainWindowLayout::sourceList() const { return m_sourceList; }
PreviewPane* MainWindowLayout::previewPane() const { return m_previewPane; }
QToolButton* MainWindowLayout::editorOutlineButton() const { return m_editorOutlineButton; }
MainMenu* MainWindowLayout::mainMenu() const { return m_menu; }
void MainWindowLayout::setMainMenu(MainMenu* menu) { m_menu = menu; }

MainWindowLayout::~MainWindowLayout()
{
    if (m_controller) {
        m_controller->setSidebarManager(nullptr);
        m_controller->setPreviewController(nullptr);
    }
    // The sidebar's sections speak to the list: they go while it still exists.
    delete m_sidebarManager.data();
}

} // namespace penwick
