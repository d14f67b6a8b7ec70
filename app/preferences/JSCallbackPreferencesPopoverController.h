#pragma once

#include "platform/Popover.h"

#include <QPointer>

class QLabel;
class QPushButton;

namespace penwick {

namespace platform {
class TextView;
}
class ScriptAssetsPopoverDelegate;

// The update-callback popover: the script every preview page runs after each update,
// loaded on each showing and stored by Save; closing without Save keeps nothing.
class JSCallbackPreferencesPopoverController : public platform::Popover {
    Q_OBJECT
public:
    explicit JSCallbackPreferencesPopoverController(QWidget* parent = nullptr);
    ~JSCallbackPreferencesPopoverController() override;

    void setPopoverDelegate(ScriptAssetsPopoverDelegate* delegate) { m_popoverDelegate = delegate; }

    void viewDidAppear() override;
    void save();

    platform::TextView* textEditor() const { return m_textEditor; }
    QLabel* errorLbl() const { return m_errorLbl; }
    QPushButton* saveBtn() const { return m_saveBtn; }

private:
    platform::TextView* m_textEditor = nullptr;
    QLabel* m_errorLbl = nullptr;
    QPushButton* m_saveBtn = nullptr;
    ScriptAssetsPopoverDelegate* m_popoverDelegate = nullptr;
};

} // namespace penwick
