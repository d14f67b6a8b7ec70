// The tab menu, bulk closes, tab cycling and the tab switcher of the document window.
#include "shell/TVXDocumentWindowController.h"

#include "Extensions/FileManagerAdditions.h"
#include "common/MiniDocumentType.h"
#include "shell/SidebarManagerInterface.h"

#include <QMainWindow>
#include <QMenu>

namespace penwick {

using platform::TabViewItem;

QMenu* TVXDocumentWindowController::menuForTabViewItem(TabViewItem* item)
{
    TVXDocument* document = documentForTabViewItem(item);
    if (!document)
        return nullptr;
    auto* menu = new QMenu;
    QPointer<TabViewItem> target(item);
    auto add = [&](const QString& title, std::function<void()> action, const QKeySequence& key = {}) {
        QAction* entry = menu->addAction(title);
        entry->setShortcut(key);
        entry->setEnabled(static_cast<bool>(action));
        if (action)
            connect(entry, &QAction::triggered, this, [target, action = std::move(action)] {
                if (target)
                    action();
            });
        return entry;
    };
    const auto noteType = miniDocumentType(document->pseudoURL().isEmpty() ? std::nullopt : std::optional<QString>(document->pseudoURL().toString()));
    const bool isNote = noteType.has_value();
    const bool hasFile = !document->fileURL().isEmpty();
    if (noteType)
        add(*noteType == MiniDocumentType::Scratch ? QStringLiteral("Save Scratch") : QStringLiteral("Save Shadow"),
            [this, target] { saveMiniDocumentForItem(target); });
    add(QStringLiteral("Add to Favorites"), hasFile || isNote ? std::function<void()>([this, target] { addToFavorites(target); }) : nullptr);
    if (hasFile)
        add(QStringLiteral("Show in File Manager"), [this, target] { revealInFinder(target); });
    if (isNote || document->fileSystemItem())
        add(QStringLiteral("Reveal in Sidebar"), [this, target] { revealInNavigator(target); });
    menu->addSeparator();
    const QList<TabViewItem*> items = m_tabView->tabViewItems();
    const int count = int(items.size());
    add(QStringLiteral("Close Tab"), [this, target] { closeTab(target); }, QKeySequence(Qt::CTRL | Qt::Key_W));
    add(QStringLiteral("Close Other Tabs"), count >= 2 ? std::function<void()>([this, target] { closeOtherTabs(target); }) : nullptr);
    add(QStringLiteral("Close Tabs to The Left"), items.value(0) != item ? std::function<void()>([this, target] { closeTabsToTheLeft(target); }) : nullptr);
    add(QStringLiteral("Close Tabs to The Right"), items.value(count - 1) != item ? std::function<void()>([this, target] { closeTabsToTheRight(target); }) : nullptr);
    menu->addSeparator();
    add(QStringLiteral("Close All Tabs"), count >= 1 ? std::function<void()>([this] { closeAllTabs(); }) : nullptr);
    return menu;
}

void TVXDocumentWindowController::addToFavorites(TabViewItem* item)
{
    if (TVXDocument* document = documentForTabViewItem(item); document && m_sidebar)
        m_sidebar->addDocumentToFavorites(document);
}

void TVXDocumentWindowController::revealInFinder(TabViewItem* item)
{
    if (TVXDocument* document = documentForTabViewItem(item); document && !document->filePath().isEmpty())
        revealInFileManager(document->filePath());
}

void TVXDocumentWindowController::revealInNavigator(TabViewItem* item)
{
    if (TVXDocument* document = documentForTabViewItem(item); document && m_sidebar)
        m_sidebar->revealDocument(document);
}

void TVXDocumentWindowController::closeTab(TabViewItem* item)
{
    if (item)
        removeTabItem(item);
}

void TVXDocumentWindowController::closeItems(const QList<TabViewItem*>& items)
{
    // A snapshot taken before the first close; a refused close leaves that tab and goes on.
    QList<QPointer<TabViewItem>> snapshot(items.begin(), items.end());
    for (const auto& item : snapshot) {
        if (item)
            removeTabItem(item);
    }
}

void TVXDocumentWindowController::closeOtherTabs(TabViewItem* item)
{
    QList<TabViewItem*> others = m_tabView->tabViewItems();
    others.removeAll(item);
    closeItems(others);
}

void TVXDocumentWindowController::closeTabsToTheLeft(TabViewItem* item)
{
    const int index = m_tabView->indexOfTabViewItem(item);
    closeItems(m_tabView->tabViewItems().mid(0, std::max(index, 0)));
}

void TVXDocumentWindowController::closeTabsToTheRight(TabViewItem* item)
{
    const int index = m_tabView->indexOfTabViewItem(item);
    if (index >= 0)
        closeItems(m_tabView->tabViewItems().mid(index + 1));
}

void TVXDocumentWindowController::closeAllTabs()
{
    closeItems(m_tabView->tabViewItems());
}

// --- New tab and cycling ---

void TVXDocumentWindowController::addNewTab()
{
    if (m_newDocument)
        m_newDocument();
}

void TVXDocumentWindowController::selectTabWithOffset(int offset)
{
    const int count = tabItemsCount();
    if (count == 0)
        return;
    const int index = m_tabView->indexOfTabViewItem(m_tabView->selectedTabViewItem());
    m_tabView->selectTabViewItemAtIndex(((index + offset) % count + count) % count);
}

void TVXDocumentWindowController::gotoNextDoc()
{
    selectTabWithOffset(1);
}

void TVXDocumentWindowController::gotoPrevDoc()
{
    selectTabWithOffset(-1);
}

void TVXDocumentWindowController::gotoNextDocInStack()
{
    setupTabsSwitcherWithOffset(1);
}

void TVXDocumentWindowController::gotoPrevDocInStack()
{
    setupTabsSwitcherWithOffset(-1);
}

void TVXDocumentWindowController::setupTabsSwitcherWithOffset(int offset)
{
    if (tabItemsCount() == 2) {
        gotoPrevDoc();
        return;
    }
    // While a run shows, its panel takes the keys itself (it watches them application-wide).
    if (m_switchTabsController && m_switchTabsController->isVisible())
        return;
    if (m_switchTabsController)
        m_switchTabsController->deleteLater();
    const QList<TabViewItem*> recent = mruItems().mid(0, 10);
    m_switchTabsController = new TVXSwitchTabsWindowController(recent, [](TabViewItem* item) {
        TVXDocument* document = documentForTabViewItem(item);
        return document ? document->displayName() : item->label();
    }, m_window);
    m_switchTabsController->setDelegate(this);
    const QRect frame = m_window ? m_window->frameGeometry() : QRect();
    m_switchTabsController->showWindowWithParentWindowLocation(
        QPoint(frame.x() + int(frame.width() * 0.5), frame.y() + int(frame.height() * 0.5)), offset);
}

void TVXDocumentWindowController::tabItemDidSelectForSwitching(TabViewItem* item)
{
    if (item && item->tabView() == m_tabView)
        m_tabView->selectTabViewItem(item);
    if (m_switchTabsController) {
        m_switchTabsController->setDelegate(nullptr);
        m_switchTabsController->deleteLater();
        m_switchTabsController = nullptr;
    }
}

} // namespace penwick
