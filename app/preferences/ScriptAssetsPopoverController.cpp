#include "preferences/ScriptAssetsPopoverController.h"

#include "Extensions/FileManagerAdditions.h"
#include "Extensions/Realm.h"
#include "Models/ScriptAssetItem.h"
#include "preferences/ScriptAssetsPopoverDelegate.h"

#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace penwick {

namespace {
const QString kMissing = QStringLiteral("No such asset exists. Check the URL.");
}

ScriptAssetsPopoverController::ScriptAssetsPopoverController(QWidget* parent)
    : platform::Popover(parent)
    , m_urlTextField(new QLineEdit(this))
    , m_nameTextField(new QLineEdit(this))
    , m_addBtn(new QPushButton(QStringLiteral("Add"), this))
    , m_ignoreBtn(new QPushButton(QStringLiteral("Add anyway"), this))
    , m_errorLbl(new QLabel(this))
    , m_network(new QNetworkAccessManager(this))
{
    m_urlTextField->setPlaceholderText(QStringLiteral("https://… or /path/to/file.js"));
    m_urlTextField->setMinimumWidth(320);
    m_nameTextField->setPlaceholderText(QStringLiteral("Name"));
    m_errorLbl->setStyleSheet(QStringLiteral("color: rgb(204, 0, 0);"));
    m_addBtn->setDefault(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("URL:"), m_urlTextField);
    form->addRow(QStringLiteral("Name:"), m_nameTextField);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_errorLbl, 1);
    buttons->addWidget(m_ignoreBtn);
    buttons->addWidget(m_addBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(m_addBtn, &QPushButton::clicked, this, &ScriptAssetsPopoverController::add);
    connect(m_ignoreBtn, &QPushButton::clicked, this, &ScriptAssetsPopoverController::ignoreErrorAndAdd);
    // Return or Enter in either field adds.
    connect(m_urlTextField, &QLineEdit::returnPressed, this, &ScriptAssetsPopoverController::add);
    connect(m_nameTextField, &QLineEdit::returnPressed, this, &ScriptAssetsPopoverController::add);
    m_errorLbl->hide();
    m_ignoreBtn->hide();
}

void ScriptAssetsPopoverController::viewWillAppear()
{
    m_urlTextField->clear();
    m_nameTextField->clear();
    m_errorLbl->hide();
    m_ignoreBtn->hide();
    m_urlTextField->setFocus();
}

bool ScriptAssetsPopoverController::validate()
{
    m_errorLbl->setText(QString());
    m_errorLbl->show();
    if (m_urlTextField->text().isEmpty()) {
        m_errorLbl->setText(QStringLiteral("URL is required"));
        return false;
    }
    if (m_nameTextField->text().isEmpty()) {
        m_errorLbl->setText(QStringLiteral("Name is required"));
        return false;
    }
    m_errorLbl->hide();
    return true;
}

void ScriptAssetsPopoverController::showMissing()
{
    m_errorLbl->setText(kMissing);
    m_errorLbl->show();
    m_ignoreBtn->show();
}

void ScriptAssetsPopoverController::add()
{
    m_ignoreBtn->hide();
    if (!validate())
        return;
    const QString address = m_urlTextField->text();
    if (checkIfFileExists(address)) {
        storeLater();
        return;
    }
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        showMissing();
        return;
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(m_transferTimeoutMs);
    QNetworkReply* reply = m_network->get(request);
    m_reply = reply;
    // Only the status matters: stop the transfer once the headers are in.
    connect(reply, &QNetworkReply::metaDataChanged, reply, [reply] {
        if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, address, name = m_nameTextField->text()] {
        finishCheck(reply, address, name);
    });
}

void ScriptAssetsPopoverController::finishCheck(QNetworkReply* reply, const QString& address, const QString& name)
{
    reply->deleteLater();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() == 200)
        store(address, name);
    else
        showMissing();
}

void ScriptAssetsPopoverController::ignoreErrorAndAdd()
{
    if (!validate())
        return;
    storeLater();
}

void ScriptAssetsPopoverController::storeLater()
{
    QTimer::singleShot(0, this, [this, address = m_urlTextField->text(), name = m_nameTextField->text()] { store(address, name); });
}

void ScriptAssetsPopoverController::store(const QString& address, const QString& name)
{
    ScriptAssetItem item;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    item.setId(makeRecordId());
    item.setName(name);
    item.setUrl(address);
    item.setCreatedDate(now);
    item.setUpdatedDate(now);
    item.setEnabled(true);
    item.setOrder(kNewAssetOrder);
    if (Realm::write([&](RealmTransaction& tx) { tx.add(item); })) {
        m_errorLbl->setText(QStringLiteral("Error adding asset. Please try again"));
        m_errorLbl->show();
        return;
    }
    if (m_popoverDelegate)
        m_popoverDelegate->didAddSite(item);
}

} // namespace penwick
