#include "preferences/TVXStylesPreferencesViewController.h"

#include "Extensions/StringAdditions.h"
#include "preferences/PreviewPreferencesSynchronizer.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "common/Notifications.h"
#include "common/Prefs.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace penwick {

TVXStylesPreferencesViewController::TVXStylesPreferencesViewController(QWidget* parent)
    : PreferencePane(parent)
    , m_styleComboBox(new ThemeComboBox(this))
    , m_syntaxComboBox(new QComboBox(this))
    , m_reloadButton(new QPushButton(QStringLiteral("Reload"), this))
{
    m_styleComboBox->setMinimumWidth(220);
    // Opening the list shows style files added since it was last read.
    m_styleComboBox->setRefresher([this](std::function<void()> whenDone) { loadThemes(false, std::move(whenDone)); });
    m_reloadButton->setToolTip(QStringLiteral("Read the style files again and apply the style"));
    auto* styleRow = new QHBoxLayout;
    styleRow->addWidget(m_styleComboBox, 1);
    styleRow->addWidget(m_reloadButton);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Preview style:"), styleRow);
    form->addRow(QStringLiteral("Code style:"), m_syntaxComboBox);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch();

    connect(m_styleComboBox, &QComboBox::activated, this, [this](int index) { comboBoxWillDismiss(m_styleComboBox, index); });
    connect(m_syntaxComboBox, &QComboBox::activated, this, [this](int index) { comboBoxWillDismiss(m_syntaxComboBox, index); });
    connect(m_reloadButton, &QPushButton::clicked, this, &TVXStylesPreferencesViewController::reloadThemes);

    loadThemes(false);
    m_previewSyntaxStyles = PreviewPreferencesSynchronizer::getSyntaxStyles();
    const QSignalBlocker block(m_syntaxComboBox);
    m_syntaxComboBox->addItems(m_previewSyntaxStyles);
    // A stored name outside the list shows no selection.
    const QString stored = fileName(platform::UserDefaults::standard().stringForKey(Prefs::PREVIEW_SYNTAX_STYLE));
    m_syntaxComboBox->setCurrentIndex(int(m_previewSyntaxStyles.indexOf(stored)));
}

void TVXStylesPreferencesViewController::loadThemes(bool notify, std::function<void()> then)
{
    PreviewPreferencesSynchronizer::sharedInstance().getStyles(this, [this, notify, then = std::move(then)](const ThemeItems& styles) {
        m_previewStyles = styles;
        {
            const QSignalBlocker block(m_styleComboBox);
            m_styleComboBox->clear();
            for (const ThemeItem& style : styles)
                m_styleComboBox->addItem(style.displayName());
            const std::optional<QString> preferred = PreviewPreferencesSynchronizer::sharedInstance().getPreferredStylePath();
            int index = 0;
            for (qsizetype i = 0; preferred && i < styles.size(); ++i) {
                if (styles[i].displayName() == fileName(*preferred)) {
                    index = int(i);
                    break;
                }
            }
            m_styleComboBox->setCurrentIndex(styles.isEmpty() ? -1 : index);
        }
        m_stylesLoaded = true;
        if (notify)
            platform::NotificationCenter::defaultCenter().post(Notifications::PREVIEW_THEME_LOADED, this);
        if (then)
            then();
    });
}

void TVXStylesPreferencesViewController::comboBoxWillDismiss(QComboBox* comboBox, int index)
{
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    if (comboBox == m_syntaxComboBox) {
        if (index >= 0 && index < m_previewSyntaxStyles.size())
            defaults.setValue(Prefs::PREVIEW_SYNTAX_STYLE, m_previewSyntaxStyles[index]);
    } else if (comboBox == m_styleComboBox) {
        if (index >= 0 && index < m_previewStyles.size())
            defaults.setValue(Prefs::PREVIEW_STYLE_NAME, m_previewStyles[index].path());
    }
}

} // namespace penwick
