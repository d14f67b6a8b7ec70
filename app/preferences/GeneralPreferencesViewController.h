#pragma once

#include "platform/Observation.h"
#include "preferences/PreferencePane.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace penwick {

// The "General" pane: whether PenwickMini starts at login (the "showPenwickMiniIcon"
// setting), and a button that makes Penwick the default Markdown editor.
class GeneralPreferencesViewController : public PreferencePane {
    Q_OBJECT
public:
    static inline const QString kMarkdownMimeType = QStringLiteral("text/markdown");

    explicit GeneralPreferencesViewController(QWidget* parent = nullptr);

    QString identifier() const override { return QStringLiteral("GeneralPreferences"); }
    QString toolbarItemLabel() const override { return QStringLiteral("General"); }
    QIcon toolbarItemImage() const override;

    void viewWillAppear() override;
    void viewDidDisappear() override {}

    void togglePenwickMini(bool on);
    void makeDefaultMarkdownEditor();

    // Penwick's desktop file id ("org.penwick.Penwick.desktop").
    static QString desktopFileId();

    QLabel* messageLbl() const { return m_messageLbl; }
    QCheckBox* enableMiniCheckBox() const { return m_enableMiniCheckBox; }
    QPushButton* defaultEditorButton() const { return m_defaultEditorButton; }

private:
    void showStoredMiniSetting();

    QLabel* m_messageLbl = nullptr;
    QCheckBox* m_enableMiniCheckBox = nullptr;
    QPushButton* m_defaultEditorButton = nullptr;
    platform::Observation m_settingObservation;
};

} // namespace penwick
