#include "shell/TVXDraftsMenu.h"

#include "Extensions/FileManagerAdditions.h"
#include "Extensions/StringAdditions.h"
#include "platform/StandardLocations.h"
#include "platform/Workspace.h"
#include "common/MagicStrings.h"
#include "shell/TVXDocument.h"
#include "shell/TVXDocumentController.h"

#include <QAction>
#include <QMenu>

namespace penwick {

TVXDraftsMenu::TVXDraftsMenu(QObject* parent) : QObject(parent) {}

QString TVXDraftsMenu::draftsFolder()
{
    return appendPathComponent(getApplicationDirectoryPath(MagicStrings::APPNAME), MagicStrings::AUTOSAVE_TEMP_FOLDER);
}

std::optional<QString> TVXDraftsMenu::draftTitle(const QString& path)
{
    const QStringList pieces = splitAt(fileName(path), QStringLiteral("_"));
    if (pieces.isEmpty())
        return std::nullopt;
    return pieces.last();
}

void TVXDraftsMenu::populateDraftItemsMenu()
{
    // Listed by name, whatever order the folder yields them in.
    const QStringList files = collectItemsOfType(MagicStrings::AUTOSAVE_TEMP_FILE_EXT, draftsFolder());
    if (!m_menu)
        return;
    m_menu->clear();
    for (const QString& path : files) {
        const std::optional<QString> title = draftTitle(path);
        if (!title)
            continue;
        QAction* item = m_menu->addAction(*title);
        item->setData(path);
        connect(item, &QAction::triggered, this, [this, item] { openDraftFile(item); });
    }
}

void TVXDraftsMenu::openDraftFile(QAction* sender)
{
    if (!sender || sender->data().typeId() != QMetaType::QString)
        return;
    openDraftFile(sender->data().toString());
}

void TVXDraftsMenu::openDraftFile(const QString& path)
{
    TVXDocumentController* controller = m_controller ? m_controller.data() : TVXDocumentController::sharedDocumentController();
    if (!controller || path.isEmpty())
        return;
    controller->reopenDocumentForContentsOfURL(QUrl::fromLocalFile(path), true,
        [path](TVXDocument* document, bool, const std::optional<platform::DocumentError>&) {
            if (document)
                document->postAutoSaveRestore(path);
        });
}

// --- Help ---

QList<TVXDraftsMenu::HelpLink> TVXDraftsMenu::helpLinks()
{
    const QUrl themes = QUrl::fromLocalFile(platform::resourcesDirectory() + QStringLiteral("/Help/themes.html"));
    return {
        { QStringLiteral("markdownTutorial"), QStringLiteral("Markdown Tutorial"),
            QUrl(QStringLiteral("https://www.markdownguide.org/basic-syntax/")) },
        { QStringLiteral("gfmMarkdownDocumentation"), QStringLiteral("GitHub Flavored Markdown"),
            QUrl(QStringLiteral("https://github.github.com/gfm/")) },
        { QStringLiteral("markdownTableGenerator"), QStringLiteral("Markdown Table Generator"),
            QUrl(QStringLiteral("https://www.tablesgenerator.com/markdown_tables")) },
        { QStringLiteral("masteringMarkdown"), QStringLiteral("Mastering Markdown"),
            QUrl(QStringLiteral("https://www.markdownguide.org/extended-syntax/")) },
        { QStringLiteral("mathJaxBasicTutorial"), QStringLiteral("MathJax Basic Tutorial"),
            QUrl(QStringLiteral("https://math.meta.stackexchange.com/questions/5020/mathjax-basic-tutorial-and-quick-reference")) },
        { QStringLiteral("howToAddTheme"), QStringLiteral("Adding Themes and Styles"), themes },
    };
}

void TVXDraftsMenu::addHelpItems(QMenu* menu)
{
    if (!menu)
        return;
    for (const HelpLink& link : helpLinks()) {
        QAction* item = menu->addAction(link.title);
        item->setObjectName(link.action);
        const QString url = link.url.toString();
        connect(item, &QAction::triggered, this, [url] { openURLString(url); });
    }
}

void TVXDraftsMenu::openURLString(const QString& url)
{
    platform::Workspace::openURL(QUrl(url));
}

} // namespace penwick
