#pragma once

#include "preferences/PreferencePane.h"
#include "preferences/ThemeComboBox.h"
#include "preferences/ThemeItem.h"

#include <QFont>

#include <functional>

class QComboBox;
class QFontDialog;
class QLabel;
class QPushButton;
class QSpinBox;

namespace penwick {

class TVXSizeObject;

// The "Editor" pane: the editor theme, the editor font and the margins for normal windows
// and full screen. It writes the settings the editor synchroniser reads and touches no
// editor: editors hear of changes through the settings and the two notifications.
class TVXTextEditorPreferencesViewController : public PreferencePane {
    Q_OBJECT
public:
    explicit TVXTextEditorPreferencesViewController(QWidget* parent = nullptr);

    QString identifier() const override { return QStringLiteral("EditorPreferences"); }
    QString toolbarItemLabel() const override { return QStringLiteral("Editor"); }
    QIcon toolbarItemImage() const override { return namedImage(QStringLiteral("editor_pref")); }

    // Reloads the theme list; posts "TextEditorThemeLoadedNotification" when `notify` is set,
    // then calls `then`.
    void loadThemes(bool notify, std::function<void()> then = {});
    void reloadThemes() { loadThemes(true); }
    void showFontSelector();
    void changeFont(const QFont& font);
    void displayFontInfo();
    // Stores the theme at `index` (the combo box's choice); an index outside the list stores nothing.
    void comboBoxWillDismiss(int index);
    // The first theme named exactly `name`, else 0.
    int indexOfItemWithStringValue(const QString& name) const;

    const ThemeItems& editorThemes() const { return m_editorThemes; }
    bool themesLoaded() const { return m_themesLoaded; }
    QComboBox* textEditorThemeComboBox() const { return m_themeComboBox; }
    QLabel* fontPreview() const { return m_fontPreview; }
    QPushButton* fontButton() const { return m_fontButton; }
    QPushButton* reloadButton() const { return m_reloadButton; }
    // Normal left/right, normal top/bottom, full-screen left/right, full-screen top/bottom.
    QSpinBox* marginSpinBox(int i) const { return m_marginSpinBoxes[i]; }
    TVXSizeObject* fullScreenLeftRightMarginObject() const { return m_fullLR; }
    TVXSizeObject* fullScreenTopBottomMarginObject() const { return m_fullTB; }
    TVXSizeObject* normalLeftRightMarginObject() const { return m_normalLR; }
    TVXSizeObject* normalTopBottomMarginObject() const { return m_normalTB; }

private:
    void marginChanged();

    ThemeComboBox* m_themeComboBox = nullptr;
    QLabel* m_fontPreview = nullptr;
    QPushButton* m_fontButton = nullptr;
    QPushButton* m_reloadButton = nullptr;
    QFontDialog* m_fontDialog = nullptr;
    QSpinBox* m_marginSpinBoxes[4] = {};
    TVXSizeObject* m_fullLR = nullptr;
    TVXSizeObject* m_fullTB = nullptr;
    TVXSizeObject* m_normalLR = nullptr;
    TVXSizeObject* m_normalTB = nullptr;
    ThemeItems m_editorThemes;
    bool m_themesLoaded = false;
};

} // namespace penwick
