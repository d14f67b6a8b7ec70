#include "shell/InformationWindows.h"

#include "platform/UserDefaults.h"
#include "common/Prefs.h"
#include "shell/TVXCreditsWindowController.h"
#include "shell/WhatNewWindowController.h"

namespace penwick {

InformationWindows::InformationWindows(QObject* parent)
    : QObject(parent)
{
}

InformationWindows::~InformationWindows() = default;

bool InformationWindows::isWhatsNewDueAtLaunch()
{
    const auto& defaults = platform::UserDefaults::standard();
    const QVariant real = defaults.object(Prefs::WHATS_NEW_REAL_VERSION);
    return !real.isValid() || real.toString() != defaults.stringForKey(Prefs::WHATS_NEW_VERSION);
}

void InformationWindows::showWhatsNewAtLaunchIfDue()
{
    if (!isWhatsNewDueAtLaunch())
        return;
    showWhatsNewWindow();
    auto& defaults = platform::UserDefaults::standard();
    defaults.setValue(Prefs::WHATS_NEW_VERSION, defaults.object(Prefs::WHATS_NEW_REAL_VERSION));
}

void InformationWindows::showWhatsNewWindow()
{
    m_whatsNew = std::make_unique<WhatNewWindowController>();
    emit whatsNewWindowWillRun(m_whatsNew.get());
    m_whatsNew->run();
}

void InformationWindows::showCredits()
{
    if (!m_credits)
        m_credits = std::make_unique<TVXCreditsWindowController>();
    m_credits->showWindow();
}

} // namespace penwick
