#pragma once

#include "preferences/PreferencePane.h"

class QCheckBox;
class QLineEdit;

namespace penwick {

// The "Navigator" pane: the patterns of files and folders the folder tree leaves out, and
// whether it leaves out hidden ones. Both are stored together whenever either is applied.
class TVXNavigatorPreferencesViewController : public PreferencePane {
    Q_OBJECT
public:
    explicit TVXNavigatorPreferencesViewController(QWidget* parent = nullptr);

    QString identifier() const override { return QStringLiteral("NavigatorPreferences"); }
    QString toolbarItemLabel() const override { return QStringLiteral("Navigator"); }
    QIcon toolbarItemImage() const override { return namedImage(QStringLiteral("navigator_pref_icon")); }

    // The end of an edit in one of the pane's fields: only the ignore field applies.
    void controlTextDidEndEditing(QObject* field);
    void applyIgnoreFilesAndFolders();

    QLineEdit* ignoreTextField() const { return m_ignoreTextField; }
    QCheckBox* ignoreHiddenFilesCheckbox() const { return m_ignoreHiddenFilesCheckbox; }

private:
    QLineEdit* m_ignoreTextField = nullptr;
    QCheckBox* m_ignoreHiddenFilesCheckbox = nullptr;
};

} // namespace penwick
