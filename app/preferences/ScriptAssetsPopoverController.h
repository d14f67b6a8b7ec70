#pragma once

#include "platform/Popover.h"

#include <QPointer>

class QLabel;
class QLineEdit;
class QNetworkAccessManager;
class QNetworkReply;
class QPushButton;

namespace penwick {

class ScriptAssetsPopoverDelegate;

// The add-asset popover: an address and a name, checked for existence (a local file, or an
// http(s) address answering a GET with 200) before a new ScriptAssetItem is stored; after a
// failed check "Add anyway" stores it unchecked.
class ScriptAssetsPopoverController : public platform::Popover {
    Q_OBJECT
public:
    static constexpr qint64 kNewAssetOrder = 9999999;

    explicit ScriptAssetsPopoverController(QWidget* parent = nullptr);

    void setPopoverDelegate(ScriptAssetsPopoverDelegate* delegate) { m_popoverDelegate = delegate; }
    // How long an address may take to answer before it counts as missing (10 s).
    void setTransferTimeout(int milliseconds) { m_transferTimeoutMs = milliseconds; }

    void viewWillAppear() override;
    void add();
    void ignoreErrorAndAdd();

    QLineEdit* urlTextField() const { return m_urlTextField; }
    QLineEdit* nameTextField() const { return m_nameTextField; }
    QPushButton* addBtn() const { return m_addBtn; }
    QPushButton* ignoreBtn() const { return m_ignoreBtn; }
    QLabel* errorLbl() const { return m_errorLbl; }
    // True while an address is being checked.
    bool isChecking() const { return !m_reply.isNull(); }

private:
    bool validate();
    void showMissing();
    void storeLater();
    // The values typed when the asset was asked for, also when the check ends later.
    void store(const QString& address, const QString& name);
    void finishCheck(QNetworkReply* reply, const QString& address, const QString& name);

    QLineEdit* m_urlTextField = nullptr;
    QLineEdit* m_nameTextField = nullptr;
    QPushButton* m_addBtn = nullptr;
    QPushButton* m_ignoreBtn = nullptr;
    QLabel* m_errorLbl = nullptr;
    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    ScriptAssetsPopoverDelegate* m_popoverDelegate = nullptr;
    int m_transferTimeoutMs = 10000;
};

} // namespace penwick
