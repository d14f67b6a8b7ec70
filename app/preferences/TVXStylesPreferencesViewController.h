#pragma once

#include "preferences/PreferencePane.h"
#include "preferences/ThemeComboBox.h"
#include "preferences/ThemeItem.h"

#include <QStringList>

#include <functional>

class QComboBox;
class QPushButton;

namespace penwick {

// The "Preview" pane: the preview's style sheet and the style of highlighted code. It
// writes the two settings the preview reads.
class TVXStylesPreferencesViewController : public PreferencePane {
    Q_OBJECT
public:
    explicit TVXStylesPreferencesViewController(QWidget* parent = nullptr);

    QString identifier() const override { return QStringLiteral("StylesPreferences"); }
    QString toolbarItemLabel() const override { return QStringLiteral("Preview"); }
    QIcon toolbarItemImage() const override { return namedImage(QStringLiteral("PreviewPref")); }

    // Reloads the style list; posts "PreviewThemeLoadedNotification" when `notify` is set,
    // then calls `then`.
    void loadThemes(bool notify, std::function<void()> then = {});
    void reloadThemes() { loadThemes(true); }
    // Stores the choice of `comboBox` at `index`; another sender or an index outside the list stores nothing.
    void comboBoxWillDismiss(QComboBox* comboBox, int index);

    const ThemeItems& previewStyles() const { return m_previewStyles; }
    const QStringList& previewSyntaxStyles() const { return m_previewSyntaxStyles; }
    bool stylesLoaded() const { return m_stylesLoaded; }
    QComboBox* previewStyleComboBox() const { return m_styleComboBox; }
    QComboBox* previewSyntaxStyleComboBox() const { return m_syntaxComboBox; }
    QPushButton* reloadButton() const { return m_reloadButton; }

private:
    ThemeComboBox* m_styleComboBox = nullptr;
    QComboBox* m_syntaxComboBox = nullptr;
    QPushButton* m_reloadButton = nullptr;
    ThemeItems m_previewStyles;
    QStringList m_previewSyntaxStyles;
    bool m_stylesLoaded = false;
};

} // namespace penwick
