#include "shell/DocumentBaseURLHandler.h"

#include "platform/NotificationCenter.h"
#include "platform/StandardLocations.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "shell/Delay.h"
#include "common/Notifications.h"
#include "common/Prefs.h"
#include "shell/TVXDocument.h"
#include "sidebar/FolderNavigatorItem.h"

#include <QAction>
#include <QMenu>

namespace penwick {

DocumentBaseURLHandler::DocumentBaseURLHandler(QObject* parent)
    : QObject(parent)
{
}

DocumentBaseURLHandler::~DocumentBaseURLHandler() = default;

void DocumentBaseURLHandler::setBaseURLsMenu(QMenu* menu)
{
    m_menu = menu;
    m_items.clear();
    if (!menu)
        return;
    const QStringList titles { tr("None"), tr("Document's Folder"), tr("Root Folder"), tr("Custom Folder of the Root") };
    for (int tag = 0; tag < titles.size(); ++tag) {
        QAction* item = menu->addAction(titles.at(tag));
        item->setData(tag);
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, item] { selectURLType(item); });
        m_items.append(item);
    }
    menu->addSeparator();
    connect(menu->addAction(tr("About Base URLs…")), &QAction::triggered, this, &DocumentBaseURLHandler::selectURLHelp);
    // Enabling follows the document when the menu opens, as a menu asks for validation.
    connect(menu, &QMenu::aboutToShow, this, [this] {
        for (QAction* item : std::as_const(m_items))
            item->setEnabled(validateMenuItem(item));
    });
}

void DocumentBaseURLHandler::awakeFromNib()
{
    delay(2.0, [this] { updateMenuItemStates(); }, this);
    m_selection = platform::NotificationCenter::defaultCenter().observe(Notifications::DOCUMENT_SELECTED, nullptr,
        [this](const platform::Notification& notification) { handleDocumentSelected(notification.userInfo); });
}

void DocumentBaseURLHandler::handleDocumentSelected(const QVariantMap& userInfo)
{
    m_activeDocument = qobject_cast<TVXDocument*>(userInfo.value(QStringLiteral("document")).value<QObject*>());
    updateMenuItemStates();
}

void DocumentBaseURLHandler::selectURLType(QAction* item)
{
    if (!item)
        return;
    for (QAction* other : std::as_const(m_items))
        other->setChecked(false);
    item->setChecked(true);
    const qint64 tag = item->data().toLongLong();
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    if (m_activeDocument && !m_activeDocument->filePath().isEmpty()) {
        QVariantMap map = defaults.dictionaryForKey(Notifications::BASE_URL_MAP_FOR_INDIE_DOCS);
        map.insert(m_activeDocument->filePath(), tag);
        defaults.setValue(Notifications::BASE_URL_MAP_FOR_INDIE_DOCS, map);
    }
    defaults.setValue(Prefs::DOC_BASEURL_TYPE, tag);
}

QUrl DocumentBaseURLHandler::helpURL()
{
    return QUrl::fromLocalFile(platform::resourcesDirectory() + QStringLiteral("/Help/base-url.html"));
}

void DocumentBaseURLHandler::selectURLHelp()
{
    platform::Workspace::openURL(helpURL());
}

bool DocumentBaseURLHandler::validateMenuItem(QAction* item)
{
    if (!m_items.contains(item))
        return true;
    const qint64 tag = item->data().toLongLong();
    if (m_activeDocument && !m_activeDocument->filePath().isEmpty()) {
        if (tag == 0 || tag == 1)
            return true;
        const auto fileItem = m_activeDocument->fileSystemItem();
        return fileItem && fileItem->rootFolder();
    }
    item->setChecked(tag == 0);
    return tag == 0;
}

void DocumentBaseURLHandler::updateMenuItemStates()
{
    if (m_items.isEmpty())
        return;
    const bool hasFile = m_activeDocument && !m_activeDocument->filePath().isEmpty();
    for (QAction* item : std::as_const(m_items))
        item->setChecked(item->data().toLongLong() == (hasFile ? 1 : 0));
    if (!hasFile)
        return;
    const QVariant own = platform::UserDefaults::standard()
                             .dictionaryForKey(Notifications::BASE_URL_MAP_FOR_INDIE_DOCS)
                             .value(m_activeDocument->filePath());
    if (isStoredInteger(own)) {
        for (QAction* item : std::as_const(m_items))
            item->setChecked(item->data().toLongLong() == own.toLongLong());
    }
}

} // namespace penwick
