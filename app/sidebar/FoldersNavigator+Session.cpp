// The window's session as far as the sidebar keeps it: the root folders and the
// documents of the last session, saved in the settings and reopened in order.
#include "sidebar/FoldersNavigator.h"

#include "CoreMagicStrings.h"
#include "Extensions/FileManagerAdditions.h"
#include "Extensions/Realm.h"
#include "Extensions/StringAdditions.h"
#include "Models/ScratchDocument.h"
#include "Models/ShadowDocument.h"
#include "platform/UserDefaults.h"
#include "common/AppLogger.h"
#include "common/MiniDocumentType.h"
#include "common/Prefs.h"
#include "sidebar/NoteSections.h"

#include <QPointer>

#include <algorithm>

namespace penwick {

using platform::UserDefaults;

namespace {

std::optional<QStringList> stringList(const QVariant& value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    if (value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QStringList strings;
    for (const QVariant& element : value.toList()) {
        if (element.typeId() != QMetaType::QString)
            return std::nullopt;
        strings << element.toString();
    }
    return strings;
}

QString pathOf(const QUrl& url)
{
    return url.isLocalFile() ? url.toLocalFile() : url.path();
}

} // namespace

void FoldersNavigator::saveSessionFolders()
{
    UserDefaults::standard().setValue(Prefs::SESSION_RESTORE_FOLDERS, m_rootFolderPaths);
}

void FoldersNavigator::saveSessionDocuments(const QList<std::optional<QString>>& urlStrings)
{
    saveSessionFolders();
    QStringList kept;
    for (const std::optional<QString>& url : urlStrings) {
        if (url)
            kept << *url;
    }
    UserDefaults::standard().setValue(Prefs::SESSION_RESTORE_DOCS, kept);
}

bool FoldersNavigator::restoreFolders()
{
    const std::optional<QStringList> paths = stringList(UserDefaults::standard().object(Prefs::SESSION_RESTORE_FOLDERS));
    if (!paths)
        return false;
    for (const QString& path : *paths)
        restoreExpandedItemsOfRoot(openFolderInternally(path, false));
    return true;
}

bool FoldersNavigator::restoreSession()
{
    // The stored session stays until the next save replaces it; this window reopens it once.
    if (m_sessionRestored)
        return true;
    m_sessionRestored = true;
    m_restoreInSession = true;
    if (const std::optional<QStringList> strings = stringList(UserDefaults::standard().object(Prefs::SESSION_RESTORE_DOCS))) {
        std::vector<std::optional<QUrl>> urls;
        for (const QString& text : *strings) {
            QUrl url(text, QUrl::StrictMode);
            urls.push_back(url.isValid() && !url.isEmpty() ? std::optional<QUrl>(url) : std::nullopt);
        }
        std::reverse(urls.begin(), urls.end());
        restoreDocuments(std::move(urls));
    }
    m_restoreInSession = false;
    return true;
}

void FoldersNavigator::restoreDocuments(std::vector<std::optional<QUrl>> remaining)
{
    while (!remaining.empty()) {
        const std::optional<QUrl> url = remaining.back();
        remaining.pop_back();

        const std::optional<MiniDocumentType> type = miniDocumentType(url ? std::optional<QString>(url->toString(QUrl::FullyEncoded)) : std::nullopt);
        if (type && url && !url->host().isEmpty()) {
            // A note reopens at once, or is skipped when its record is gone.
            if (*type == MiniDocumentType::Shadow) {
                if (const std::optional<ShadowDocument> note = Realm::objectForPrimaryKey<ShadowDocument>(url->host()))
                    ShadowDocumentsNavigator::openDocument(*note);
            } else if (const std::optional<ScratchDocument> note = Realm::objectForPrimaryKey<ScratchDocument>(url->host())) {
                ScratchDocumentsNavigator::openDocument(*note);
            }
            continue;
        }

        const QString path = url ? pathOf(*url) : QString();
        if (path.isEmpty() || !checkIfFileExists(path) || !m_host)
            continue;

        QPointer<FoldersNavigator> self(this);
        if (fileExtension(path) == CoreMagicStrings::AUTOSAVE_TEMP_FILE_EXT) {
            m_host->reopenDocumentWithContentsOfURL(*url, true,
                [self, remaining, path](SidebarDocument* document, bool, const std::optional<SidebarOpenError>&) {
                    if (document)
                        document->postAutoSaveRestore(path);
                    if (self)
                        self->restoreDocuments(remaining);
                });
            return;
        }
        m_host->openDocumentWithContentsOfURL(*url, true,
            [self, remaining](SidebarDocument* document, bool, const std::optional<SidebarOpenError>& error) {
                const std::optional<QUrl> canonical = document ? document->canonicalURL() : std::nullopt;
                const QString restored = canonical ? pathOf(*canonical) : QString();
                if (document && !restored.isEmpty()) {
                    if (error) {
                        appLog().warning(QStringLiteral("Couldn't restore %1: %2").arg(restored, error->localizedDescription));
                    } else if (self) {
                        document->setFileSystemItem(self->selectItemWithPath(restored));
                        appLog().debug(QStringLiteral("Restored ") + restored);
                    }
                }
                if (self)
                    self->restoreDocuments(remaining);
            });
        return;
    }
}

} // namespace penwick
