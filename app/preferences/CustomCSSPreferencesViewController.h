#pragma once

#include "preferences/PreferencePane.h"

#include <QPointer>

class QLabel;
class QPushButton;

namespace penwick {

namespace platform {
class TextView;
}

// The "Custom CSS" pane: the user's own style sheet, added to every preview page. It is
// read when the pane appears and written by Save; leaving the pane writes it only when the
// file was missing or the text was edited, so a sheet that could not be read (bad bytes)
// is never replaced by the empty editor.
class CustomCSSPreferencesViewController : public PreferencePane {
    Q_OBJECT
public:
    explicit CustomCSSPreferencesViewController(QWidget* parent = nullptr);
    ~CustomCSSPreferencesViewController() override;

    QString identifier() const override { return QStringLiteral("GlobalCustomCSS"); }
    QString toolbarItemLabel() const override { return QStringLiteral("Custom CSS"); }
    QIcon toolbarItemImage() const override { return namedImage(QStringLiteral("customCSSPref")); }

    void viewWillAppear() override;
    void viewDidDisappear() override;
    void save();

    platform::TextView* textEditor() const { return m_textEditor; }
    QLabel* errorLbl() const { return m_errorLbl; }
    QPushButton* saveButton() const { return m_saveButton; }

private:
    platform::TextView* m_textEditor = nullptr;
    QLabel* m_errorLbl = nullptr;
    QPushButton* m_saveButton = nullptr;
    bool m_fileMissing = false;
    bool m_edited = false;
};

} // namespace penwick
