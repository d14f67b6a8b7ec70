#pragma once

// Dialogs that answer from a script instead of a person, and remember what they were asked.
#include "platform/Dialogs.h"

#include <QList>

#include <deque>

namespace penwick::test {

class RecordingDialogs : public platform::Dialogs {
public:
    RecordingDialogs() { platform::Dialogs::setCurrent(this); }
    ~RecordingDialogs() override { platform::Dialogs::setCurrent(nullptr); }

    std::optional<QString> runSavePanel(QWidget*, const platform::SavePanelOptions& options) override
    {
        savePanels.append(options);
        if (savePanelAnswers.empty())
            return std::nullopt;
        auto answer = savePanelAnswers.front();
        savePanelAnswers.pop_front();
        return answer;
    }
    QStringList runOpenPanel(QWidget*, platform::OpenPanelOptions& options) override
    {
        openPanels.append(options);
        return {};
    }
    int runModalAlert(QWidget*, const platform::AlertSpec& alert) override
    {
        alerts.append(alert);
        if (alertAnswers.empty())
            return 0;
        const int answer = alertAnswers.front();
        alertAnswers.pop_front();
        return answer;
    }
    QWidget* beginSheetAlert(QWidget*, const platform::AlertSpec& alert, AlertHandler onEnd) override
    {
        alerts.append(alert);
        pendingSheets.append(std::move(onEnd));
        return nullptr;
    }

    QList<platform::SavePanelOptions> savePanels;
    QList<platform::OpenPanelOptions> openPanels;
    QList<platform::AlertSpec> alerts;
    QList<AlertHandler> pendingSheets;
    std::deque<std::optional<QString>> savePanelAnswers;
    std::deque<int> alertAnswers;
};

} // namespace penwick::test
