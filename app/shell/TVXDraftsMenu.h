#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <optional>

class QAction;
class QMenu;

namespace penwick {

class TVXDocumentController;

// The drafts menu: the temporary copies that untitled documents left behind, each reopened as
// an untitled document with its text; and the help menu's links to fixed pages.
class TVXDraftsMenu : public QObject {
    Q_OBJECT
public:
    explicit TVXDraftsMenu(QObject* parent = nullptr);

    // The submenu the drafts are listed in (not owned).
    void setDraftFilesMenu(QMenu* menu) { m_menu = menu; }
    QMenu* draftFilesMenu() const { return m_menu; }
    // The documents controller that reopens a draft; the shared one when none is set.
    void setDocumentController(TVXDocumentController* controller) { m_controller = controller; }

    // ".temp" in the application's data folder.
    static QString draftsFolder();
    // The title of a draft file: the last "_"-separated piece of its name without the
    // extension; none when the name has no piece (only underscores).
    static std::optional<QString> draftTitle(const QString& path);

    // Rebuilds the submenu from the folder; its old items go even when no draft is left.
    void populateDraftItemsMenu();
    // Reopens the draft of a menu item (its data is the path): a new untitled document with
    // the draft's text, named as before, edited.
    void openDraftFile(QAction* sender);
    void openDraftFile(const QString& path);

    // --- Help ---
    struct HelpLink {
        QString action;
        QString title;
        QUrl url;
    };
    static QList<HelpLink> helpLinks();
    // Adds the six help links to `menu`.
    void addHelpItems(QMenu* menu);
    static void openURLString(const QString& url);

private:
    QPointer<QMenu> m_menu;
    QPointer<TVXDocumentController> m_controller;
};

} // namespace penwick
