#include "preferences/TVXTextEditorPreferencesViewController.h"

#include "Extensions/StringAdditions.h"
#include "preferences/EditorPreferencesSynchronizer.h"
#include "preferences/ThemeComboBox.h"
#include "preferences/TVXSizeObject.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "common/Notifications.h"
#include "common/Prefs.h"

#include <QComboBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace penwick {

TVXTextEditorPreferencesViewController::TVXTextEditorPreferencesViewController(QWidget* parent)
    : PreferencePane(parent)
    , m_themeComboBox(new ThemeComboBox(this))
    , m_fontPreview(new QLabel(this))
    , m_fontButton(new QPushButton(QStringLiteral("Select…"), this))
    , m_reloadButton(new QPushButton(QStringLiteral("Reload"), this))
    , m_fullLR(new TVXSizeObject(this))
    , m_fullTB(new TVXSizeObject(this))
    , m_normalLR(new TVXSizeObject(this))
    , m_normalTB(new TVXSizeObject(this))
{
    m_themeComboBox->setEditable(false);
    // Opening the list shows theme files added since it was last read.
    m_themeComboBox->setRefresher([this](std::function<void()> whenDone) { loadThemes(false, std::move(whenDone)); });
    m_themeComboBox->setMinimumWidth(220);
    m_reloadButton->setToolTip(QStringLiteral("Read the theme files again and apply the theme"));
    auto* themeRow = new QHBoxLayout;
    themeRow->addWidget(m_themeComboBox, 1);
    themeRow->addWidget(m_reloadButton);
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(m_fontPreview, 1);
    fontRow->addWidget(m_fontButton);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Theme:"), themeRow);
    form->addRow(QStringLiteral("Font:"), fontRow);

    // Margins: the share of the editor's width and height the two margins take together.
    auto* margins = new QGroupBox(QStringLiteral("Margins"), this);
    auto* grid = new QGridLayout(margins);
    grid->addWidget(new QLabel(QStringLiteral("Left and right"), margins), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Top and bottom"), margins), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Window:"), margins), 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("Full screen:"), margins), 2, 0);
    TVXSizeObject* objects[4] = { m_normalLR, m_normalTB, m_fullLR, m_fullTB };
    for (int i = 0; i < 4; ++i) {
        auto* spin = new QSpinBox(margins);
        spin->setRange(0, 100);
        spin->setSuffix(QStringLiteral("%"));
        m_marginSpinBoxes[i] = spin;
        grid->addWidget(spin, 1 + i / 2, 1 + i % 2);
        TVXSizeObject* object = objects[i];
        connect(spin, &QSpinBox::valueChanged, object, [object](int value) { object->setSize(value); });
        connect(object, &TVXSizeObject::sizeChanged, spin, [spin](qint64 size) {
            const QSignalBlocker block(spin);
            spin->setValue(int(std::clamp<qint64>(size, spin->minimum(), spin->maximum())));
        });
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(margins);
    layout->addStretch();

    connect(m_themeComboBox, &QComboBox::activated, this, &TVXTextEditorPreferencesViewController::comboBoxWillDismiss);
    connect(m_reloadButton, &QPushButton::clicked, this, &TVXTextEditorPreferencesViewController::reloadThemes);
    connect(m_fontButton, &QPushButton::clicked, this, &TVXTextEditorPreferencesViewController::showFontSelector);

    // Set-up: the list, then the margins from the settings, and only then the observation of
    // the margins, so that loading writes nothing back.
    loadThemes(false);
    const platform::UserDefaults& defaults = platform::UserDefaults::standard();
    m_fullLR->setSize(defaults.integerForKey(Prefs::EDITOR_FULLSCREEN_LR_MARGIN));
    m_fullTB->setSize(defaults.integerForKey(Prefs::EDITOR_FULLSCREEN_TB_MARGIN));
    m_normalLR->setSize(defaults.integerForKey(Prefs::EDITOR_NORMALSCREEN_LR_MARGIN));
    m_normalTB->setSize(defaults.integerForKey(Prefs::EDITOR_NORMALSCREEN_TB_MARGIN));
    for (TVXSizeObject* object : objects)
        connect(object, &TVXSizeObject::sizeChanged, this, &TVXTextEditorPreferencesViewController::marginChanged);
    displayFontInfo();
}

void TVXTextEditorPreferencesViewController::loadThemes(bool notify, std::function<void()> then)
{
    EditorPreferencesSynchronizer::sharedInstance().getThemes(this, [this, notify, then = std::move(then)](const ThemeItems& themes) {
        m_editorThemes = themes;
        {
            const QSignalBlocker block(m_themeComboBox);
            m_themeComboBox->clear();
            for (const ThemeItem& theme : themes)
                m_themeComboBox->addItem(theme.displayName());
            const std::optional<QString> preferred = EditorPreferencesSynchronizer::sharedInstance().getPreferredThemePath();
            m_themeComboBox->setCurrentIndex(themes.isEmpty() ? -1 : indexOfItemWithStringValue(preferred ? fileName(*preferred) : QString()));
        }
        m_themesLoaded = true;
        if (notify)
            platform::NotificationCenter::defaultCenter().post(Notifications::TEXT_EDITOR_THEME_LOADED, this);
        if (then)
            then();
    });
}

int TVXTextEditorPreferencesViewController::indexOfItemWithStringValue(const QString& name) const
{
    for (qsizetype i = 0; i < m_editorThemes.size(); ++i) {
        if (m_editorThemes[i].displayName() == name)
            return int(i);
    }
    return 0;
}

void TVXTextEditorPreferencesViewController::comboBoxWillDismiss(int index)
{
    if (index < 0 || index >= m_editorThemes.size())
        return;
    platform::UserDefaults::standard().setValue(Prefs::EDITOR_THEME_NAME, m_editorThemes[index].path());
}

void TVXTextEditorPreferencesViewController::marginChanged()
{
    EditorPreferencesSynchronizer::sharedInstance().setPreferredFullScreenMargin(
        QSizeF(m_fullLR->size(), m_fullTB->size()), QSizeF(m_normalLR->size(), m_normalTB->size()));
}

void TVXTextEditorPreferencesViewController::showFontSelector()
{
    if (!m_fontDialog) {
        m_fontDialog = new QFontDialog(this);
        connect(m_fontDialog, &QFontDialog::fontSelected, this, &TVXTextEditorPreferencesViewController::changeFont);
    }
    m_fontDialog->setCurrentFont(EditorPreferencesSynchronizer::sharedInstance().getPreferredFont());
    m_fontDialog->show();
    m_fontDialog->raise();
    m_fontDialog->activateWindow();
}

void TVXTextEditorPreferencesViewController::changeFont(const QFont& font)
{
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    defaults.setValue(Prefs::EDITOR_FONTFAMILY, font.family());
    const double size = font.pointSizeF();
    defaults.setValue(Prefs::EDITOR_FONTSIZE, qint64(std::isfinite(size) && size > 0 ? std::trunc(size) : 0));
    displayFontInfo();
}

void TVXTextEditorPreferencesViewController::displayFontInfo()
{
    const QFont font = EditorPreferencesSynchronizer::sharedInstance().getPreferredFont();
    m_fontPreview->setText(QStringLiteral("%1 - %2").arg(font.family()).arg(font.pointSizeF(), 0, 'f', 1));
    QFont shown(font.family());
    shown.setPointSizeF(12);
    m_fontPreview->setFont(shown);
}

} // namespace penwick
