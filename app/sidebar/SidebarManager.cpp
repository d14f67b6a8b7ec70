#include "sidebar/SidebarManager.h"

#include "platform/UserDefaults.h"
#include "sidebar/FolderNavigatorItem.h"

#include <QApplication>
#include "common/AppLogger.h"
#include "common/Notifications.h"
#include "sidebar/FoldersNavigator.h"
#include "sidebar/NoteSections.h"
#include "sidebar/SourceListController.h"

namespace penwick {

SidebarManager::SidebarManager(TreeListView* sourceList, SidebarDocumentHost* host, QObject* parent)
    : QObject(parent)
    , m_sourceList(sourceList)
    , m_host(host)
{
}

SidebarManager::~SidebarManager()
{
    if (m_outlineController)
        m_outlineController->close();
    // The sections go before the controller; neither is reachable from the list any more.
    m_sections = {};
    m_outlineController.reset();
    appLog().debug(QStringLiteral("Deallocated SidebarManager"));
}

SidebarManager::Sections SidebarManager::buildSections(TreeListView* list, SidebarDocumentHost* host)
{
    Sections sections;
    sections.favorites = std::make_unique<FavoritesNavigator>(list, host);
    sections.folders = std::make_unique<FoldersNavigator>(list, sections.favorites.get(), host);
    sections.scratch = std::make_unique<ScratchDocumentsNavigator>(list, sections.favorites.get());
    sections.shadow = std::make_unique<ShadowDocumentsNavigator>(list, sections.favorites.get());
    return sections;
}

void SidebarManager::awakeFromNib()
{
    if (!m_sourceList)
        qFatal("The sidebar manager woke without its list");
    m_outlineController = std::make_unique<SourceListController>(m_sourceList.data());
    m_sections = buildSections(m_sourceList.data(), m_host);
    requireAwake();
    m_outlineController->addOutlineItem(m_sections.favorites.get());
    m_outlineController->addOutlineItem(m_sections.folders.get());
    m_outlineController->addOutlineItem(m_sections.scratch.get());
    m_outlineController->addOutlineItem(m_sections.shadow.get());
    m_sections.folders->restoreFolders();
}

void SidebarManager::requireAwake() const
{
    if (!m_outlineController || !m_sections.favorites || !m_sections.folders || !m_sections.scratch || !m_sections.shadow)
        qFatal("The sidebar manager was used before it woke");
}

SourceListController* SidebarManager::outlineController() const { return m_outlineController.get(); }
FavoritesNavigator* SidebarManager::favoritesNavigator() const { return m_sections.favorites.get(); }
FoldersNavigator* SidebarManager::foldersNavigator() const { return m_sections.folders.get(); }
ScratchDocumentsNavigator* SidebarManager::scratchDocumentsNavigator() const { return m_sections.scratch.get(); }
ShadowDocumentsNavigator* SidebarManager::shadowDocumentsNavigator() const { return m_sections.shadow.get(); }

void SidebarManager::addAsARootFolder(const QString& path)
{
    requireAwake();
    m_sections.folders->restoreExpandedItemsOfRoot(m_sections.folders->openFolderInternally(path, true));
    saveSessionFolders();
}

void SidebarManager::focusRootFolder(const QString& path)
{
    requireAwake();
    m_sections.folders->openFolderInternally(path, true);
}

QStringList SidebarManager::rootFolderPaths() const
{
    requireAwake();
    return m_sections.folders->rootFolderPaths();
}

void SidebarManager::saveSession(const QList<SidebarDocument*>& documents)
{
    requireAwake();
    QList<std::optional<QString>> urls;
    for (SidebarDocument* document : documents) {
        const std::optional<QUrl> url = document ? document->canonicalURL() : std::nullopt;
        // Encoded, so that the text parses back to the same URL.
        urls << (url ? std::optional<QString>(url->toString(QUrl::FullyEncoded)) : std::nullopt);
    }
    m_sections.folders->saveSessionDocuments(urls);
}

void SidebarManager::saveSessionFolders()
{
    requireAwake();
    m_sections.folders->saveSessionFolders();
}

bool SidebarManager::restoreSession()
{
    requireAwake();
    return m_sections.folders->restoreSession();
}

bool SidebarManager::restoreFolders()
{
    requireAwake();
    return m_sections.folders->restoreFolders();
}

void SidebarManager::revealDocument(SidebarDocument* document)
{
    requireAwake();
    if (!document)
        return;
    if (const std::optional<QUrl> pseudo = document->pseudoURL()) {
        const QString text = pseudo->toString(QUrl::FullyEncoded);
        if (document->hasScratchNoteRecord())
            m_sections.scratch->selectItemWithPath(text);
        else if (document->hasShadowNoteRecord())
            m_sections.shadow->selectItemWithPath(text);
        else
            appLog().warning(QStringLiteral("Unknown document asked to be revealed in Sidebar: ") + text);
        return;
    }
    if (const FolderItemPtr item = document->fileSystemItem())
        m_sections.folders->selectItem(item, true);
}

void SidebarManager::addDocumentToFavorites(SidebarDocument* document)
{
    requireAwake();
    if (!document)
        return;
    if (const std::optional<QUrl> pseudo = document->pseudoURL()) {
        m_sections.favorites->addPathToFavorites(pseudo->toString(QUrl::FullyEncoded));
        return;
    }
    const std::optional<QUrl> file = document->fileURL();
    if (file && !file->toLocalFile().isEmpty())
        m_sections.favorites->addPathToFavorites(file->toLocalFile());
}

void SidebarManager::revealPath(const QString& path)
{
    requireAwake();
    m_sections.folders->selectItemWithPath(path);
}

std::optional<QUrl> SidebarManager::baseURLOfDocument(SidebarDocument* document) const
{
    requireAwake();
    if (!document)
        return std::nullopt;
    const std::optional<QUrl> file = document->fileURL();
    if (!file || file->toLocalFile().isEmpty())
        return std::nullopt;
    const FolderItemPtr item = document->fileSystemItem();
    const FolderItemPtr root = item ? item->rootFolder() : nullptr;
    if (!root)
        return std::nullopt;
    const QVariant base = platform::UserDefaults::standard().dictionaryForKey(Notifications::BASE_URL_MAP).value(root->fullPath());
    if (base.typeId() != QMetaType::QString)
        return std::nullopt;
    return QUrl::fromLocalFile(base.toString());
}

void SidebarManager::focus()
{
    requireAwake();
    if (m_sourceList && m_sourceList->window())
        m_sourceList->setFocus(Qt::OtherFocusReason);
}

bool SidebarManager::isFocused() const
{
    requireAwake();
    if (!m_sourceList || !m_sourceList->window())
        return false;
    return m_sourceList->window()->focusWidget() == m_sourceList.data();
}

bool SidebarManager::isQuickOpenDocument(SidebarDocument*) const
{
    requireAwake();
    return m_sections.favorites->isQuickOpenInProgress() || m_sections.folders->isQuickOpenInProgress()
        || m_sections.shadow->isQuickOpenInProgress() || m_sections.scratch->isQuickOpenInProgress();
}

void SidebarManager::turnOffNavigatorReload()
{
    requireAwake();
    m_sections.favorites->turnOffReload();
    m_sections.folders->turnOffReload();
    m_sections.shadow->turnOffReload();
    m_sections.scratch->turnOffReload();
}

void SidebarManager::turnOnNavigatorReload()
{
    requireAwake();
    m_sections.favorites->turnOnReload();
    m_sections.folders->turnOnReload();
    m_sections.shadow->turnOnReload();
    m_sections.scratch->turnOnReload();
}

} // namespace penwick
