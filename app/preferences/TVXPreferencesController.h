#pragma once

#include <QObject>
#include <QPointer>

namespace penwick {

class TVXPreferencesWindowController;

// Owns the one preferences window of the process, built on first use and kept (with its
// panes and their state) until the process ends.
class TVXPreferencesController : public QObject {
    Q_OBJECT
public:
    explicit TVXPreferencesController(QObject* parent = nullptr);
    ~TVXPreferencesController() override;

    void openPreferences();
    TVXPreferencesWindowController* preferencesWindowController();

private:
    TVXPreferencesWindowController* m_windowController = nullptr;
};

} // namespace penwick
