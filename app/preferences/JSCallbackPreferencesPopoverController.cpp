#include "preferences/JSCallbackPreferencesPopoverController.h"

#include "Services/JSCallbackManager.h"
#include "preferences/ScriptAssetsPopoverDelegate.h"
#include "platform/text/TextView.h"
#include "common/AppLogger.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace penwick {

JSCallbackPreferencesPopoverController::JSCallbackPreferencesPopoverController(QWidget* parent)
    : platform::Popover(parent)
    , m_textEditor(new platform::TextView(this))
    , m_errorLbl(new QLabel(QStringLiteral("Could not save the callback."), this))
    , m_saveBtn(new QPushButton(QStringLiteral("Save"), this))
{
    auto* intro = new QLabel(QStringLiteral("JavaScript run after every preview update:"), this);
    // A plain text view: quotes and dashes stay as typed.
    m_textEditor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_textEditor->setMinimumSize(420, 220);
    m_errorLbl->setStyleSheet(QStringLiteral("color: rgb(204, 0, 0);"));
    m_errorLbl->hide();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_errorLbl, 1);
    buttons->addWidget(m_saveBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_textEditor, 1);
    layout->addLayout(buttons);
    connect(m_saveBtn, &QPushButton::clicked, this, &JSCallbackPreferencesPopoverController::save);
}

JSCallbackPreferencesPopoverController::~JSCallbackPreferencesPopoverController()
{
    appLog().debug(QStringLiteral("Deallocated"));
}

void JSCallbackPreferencesPopoverController::viewDidAppear()
{
    StoreFileError error;
    const std::optional<QString> script = JSCallbackManager::sharedInstance().readOnUpdateCallbackJS(&error);
    if (!script) {
        appLog().error(QStringLiteral("Error loading callback JS: ") + error.message);
        return;
    }
    m_textEditor->setString(*script);
}

void JSCallbackPreferencesPopoverController::save()
{
    m_errorLbl->hide();
    const QString script = m_textEditor ? m_textEditor->string() : QString();
    StoreFileError error;
    if (!JSCallbackManager::sharedInstance().saveOnUpdateCallbackJS(script, &error)) {
        m_errorLbl->show();
        appLog().error(QStringLiteral("Error saving callback JS: ") + error.message);
        return;
    }
    if (m_popoverDelegate)
        m_popoverDelegate->didAddCallbackJS(script);
}

} // namespace penwick
