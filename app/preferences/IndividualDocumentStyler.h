#pragma once

#include "platform/Observation.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <vector>

class QAction;
class QMenu;

namespace penwick::platform {
struct Notification;
}

namespace penwick {

// Fills the editor-theme and preview-style submenus of the main menu and lets the
// selected tab's document have a theme or style of its own. Choosing an entry posts
// "IndividualEditorStyleSelectedNotification" / "IndividualPreviewStyleSelectedNotification"
// with the chosen path under Notifications::INDIVIDUAL_STYLE_PATH_PAYLOAD (null for the
// "Default (…)" entry); "DocumentSelectedNotification" moves the check marks to the newly
// selected document's choice. Submenus are built once, `setupDelayMs` after awakeFromNib().
class IndividualDocumentStyler : public QObject {
    Q_OBJECT
public:
    IndividualDocumentStyler(QMenu* editorStylesMenu, QMenu* previewStylesMenu, int setupDelayMs = 2000,
        QObject* parent = nullptr);
    ~IndividualDocumentStyler() override;

    void awakeFromNib();

    QMenu* editorStylesMenu() const { return m_editorStylesMenu; }
    QMenu* previewStylesMenu() const { return m_previewStylesMenu; }

    void handleDocumentSelected(const platform::Notification& notification);
    void setEditorStyle(QAction* sender);
    void setPreviewStyle(QAction* sender);

private:
    enum class Kind { Editor, Preview };

    void setUp();
    void buildMenu(Kind kind);
    void selectEntry(Kind kind, QAction* sender);
    void checkPath(QMenu* menu, const QVariant& path);
    void retitleDefaultEntry(Kind kind);
    QMenu* menu(Kind kind) const;

    QPointer<QMenu> m_editorStylesMenu;
    QPointer<QMenu> m_previewStylesMenu;
    int m_setupDelayMs;
    std::vector<platform::Observation> m_observations;
};

} // namespace penwick
