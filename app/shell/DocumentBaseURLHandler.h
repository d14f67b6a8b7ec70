#pragma once

#include "platform/Observation.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

class QAction;
class QMenu;

namespace penwick {

class TVXDocument;

// The base-URL submenu: one checkable item per type (None, parent folder, root folder,
// custom folder) and a help item. It shows the choice stored for the document of the
// selected tab and stores a new one, for that document and as the type of documents
// without a choice of their own.
class DocumentBaseURLHandler : public QObject {
    Q_OBJECT
public:
    // The help page on base URLs, shipped with the program.
    static QUrl helpURL();

    explicit DocumentBaseURLHandler(QObject* parent = nullptr);
    ~DocumentBaseURLHandler() override;

    // The submenu (owned by the caller), filled with the type items in raw-value order.
    void setBaseURLsMenu(QMenu* menu);
    QMenu* baseURLsMenu() const { return m_menu; }
    QList<QAction*> typeItems() const { return m_items; }
    TVXDocument* activeDocument() const { return m_activeDocument; }

    // Starts following tab selections; the first refresh of the marks comes 2 s later.
    void awakeFromNib();
    void handleDocumentSelected(const QVariantMap& userInfo);
    // Stores the type of `item` (a type item of the submenu).
    void selectURLType(QAction* item);
    void selectURLHelp();
    // Whether a type item can be chosen for the active document (also checks None when
    // there is nothing to choose for).
    bool validateMenuItem(QAction* item);
    void updateMenuItemStates();

private:
    QPointer<QMenu> m_menu;
    QList<QAction*> m_items;
    QPointer<TVXDocument> m_activeDocument;
    platform::Observation m_selection;
};

} // namespace penwick
