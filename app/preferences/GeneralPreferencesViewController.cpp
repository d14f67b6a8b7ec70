#include "preferences/GeneralPreferencesViewController.h"

#include "platform/DefaultApplications.h"
#include "platform/UserDefaults.h"
#include "common/MagicStrings.h"
#include "common/PenwickMiniService.h"
#include "common/Prefs.h"

#include <QCheckBox>
#include <QColor>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace penwick {

GeneralPreferencesViewController::GeneralPreferencesViewController(QWidget* parent)
    : PreferencePane(parent)
    , m_messageLbl(new QLabel(this))
    , m_enableMiniCheckBox(new QCheckBox(QStringLiteral("Run Penwick Mini at login (scratch and shadow notes from the tray)"), this))
    , m_defaultEditorButton(new QPushButton(QStringLiteral("Make Penwick the default Markdown editor"), this))
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_enableMiniCheckBox);
    layout->addSpacing(12);
    layout->addWidget(m_defaultEditorButton, 0, Qt::AlignLeft);
    layout->addWidget(m_messageLbl);
    layout->addStretch();

    showStoredMiniSetting();
    // The box shows the setting and a click stores it, as a binding would.
    m_settingObservation = platform::UserDefaults::standard().observe(Prefs::SHOW_PW_MINI, this,
        [this](const QString&) { showStoredMiniSetting(); });
    connect(m_enableMiniCheckBox, &QCheckBox::toggled, this, [this](bool on) {
        platform::UserDefaults::standard().setValue(Prefs::SHOW_PW_MINI, on);
        togglePenwickMini(on);
    });
    connect(m_defaultEditorButton, &QPushButton::clicked, this, &GeneralPreferencesViewController::makeDefaultMarkdownEditor);
}

QIcon GeneralPreferencesViewController::toolbarItemImage() const
{
    return QIcon::fromTheme(QStringLiteral("preferences-system"), namedImage(QStringLiteral("general_pref")));
}

QString GeneralPreferencesViewController::desktopFileId()
{
    return MagicStrings::FULL_APP_PATH + QStringLiteral(".desktop");
}

void GeneralPreferencesViewController::showStoredMiniSetting()
{
    const QSignalBlocker block(m_enableMiniCheckBox);
    m_enableMiniCheckBox->setChecked(platform::UserDefaults::standard().boolForKey(Prefs::SHOW_PW_MINI));
}

void GeneralPreferencesViewController::viewWillAppear()
{
    m_enableMiniCheckBox->setEnabled(true);
    m_messageLbl->clear();
}

void GeneralPreferencesViewController::togglePenwickMini(bool on)
{
    PenwickMiniService::updateStatus(on);
}

void GeneralPreferencesViewController::makeDefaultMarkdownEditor()
{
    m_messageLbl->clear();
    const int status = platform::DefaultApplications().setDefault(desktopFileId(), kMarkdownMimeType);
    QPalette palette = m_messageLbl->palette();
    if (status == 0) {
        palette.setColor(QPalette::WindowText, QColor::fromRgbF(0, 0.5, 0, 1.0));
        m_messageLbl->setText(QStringLiteral("Penwick is now your default Markdown editor. Yay!"));
    } else {
        palette.setColor(QPalette::WindowText, QColor::fromRgbF(0.8, 0, 0, 1.0));
        m_messageLbl->setText(QStringLiteral("Couldn't make it default editor. This is sad :("));
    }
    m_messageLbl->setPalette(palette);
}

} // namespace penwick
