#pragma once

// Dialogs that answer from a script instead of a person, and remember what they were asked.
#include "platform/Dialogs.h"

#include <QList>
#include <QPrinter>

#include <deque>

namespace penwick::test {

class RecordingDialogs : public platform::Dialogs {
public:
    RecordingDialogs() { platform::Dialogs::setCurrent(this); }
    ~RecordingDialogs() override { platform::Dialogs::setCurrent(nullptr); }

    std::optional<QString> runSavePanel(QWidget*, platform::SavePanelOptions& options) override
    {
        savePanels.append(options);
        if (!checkBoxAnswers.empty()) {
            options.accessoryCheckBoxState = checkBoxAnswers.front();
            checkBoxAnswers.pop_front();
        }
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

    bool runPrintPanel(QWidget*, QPrinter* printer) override
    {
        printPanels.append(printer);
        if (printPanelAnswers.empty())
            return false;
        const bool answer = printPanelAnswers.front();
        printPanelAnswers.pop_front();
        // The person chose "Print to File".
        if (answer && !printToFile.isEmpty()) {
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(printToFile);
        }
        return answer;
    }

    QList<platform::SavePanelOptions> savePanels;
    QList<QPrinter*> printPanels;
    QList<platform::OpenPanelOptions> openPanels;
    QList<platform::AlertSpec> alerts;
    QList<AlertHandler> pendingSheets;
    std::deque<std::optional<QString>> savePanelAnswers;
    std::deque<int> alertAnswers;
    // The state each save panel leaves its check box in (none: unchanged).
    std::deque<bool> checkBoxAnswers;
    std::deque<bool> printPanelAnswers;
    // Where an accepted print panel sends the job (empty: the printer as it was).
    QString printToFile;
};

} // namespace penwick::test
