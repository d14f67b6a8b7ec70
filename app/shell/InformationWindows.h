#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

namespace penwick {

class TVXCreditsWindowController;
class WhatNewWindowController;

// The application's What's New and credits windows. What's New shows at launch once for each
// new version of its page ("whatsNewRealVersion" differing from "whatsNewVersion") and from
// the menu, which touches neither setting; the credits window is made once and kept.
class InformationWindows : public QObject {
    Q_OBJECT
public:
    explicit InformationWindows(QObject* parent = nullptr);
    ~InformationWindows() override;

    // Whether the launch should show What's New.
    static bool isWhatsNewDueAtLaunch();
    // At launch: What's New, modally, when due; once it has closed, its version is recorded.
    void showWhatsNewAtLaunchIfDue();
    // A new What's New window in place of the previous one, run modally.
    void showWhatsNewWindow();
    // The menu command.
    void whatsNew() { showWhatsNewWindow(); }
    // The menu command: the credits window, made on first use.
    void showCredits();

    WhatNewWindowController* whatsNewWindowController() const { return m_whatsNew.get(); }
    TVXCreditsWindowController* creditsWindowController() const { return m_credits.get(); }

signals:
    // A What's New window is about to run modally (tests close it from here).
    void whatsNewWindowWillRun(WhatNewWindowController* controller);

private:
    std::unique_ptr<WhatNewWindowController> m_whatsNew;
    std::unique_ptr<TVXCreditsWindowController> m_credits;
};

} // namespace penwick
