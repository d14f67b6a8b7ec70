#include "shell/WhatNewWindowController.h"

#include "platform/StandardLocations.h"
#include "platform/web/WebView.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QShortcut>
#include <QVBoxLayout>

namespace penwick {

WhatNewWindowController::WhatNewWindowController(QObject* parent)
    : QObject(parent)
{
    m_window = new QDialog;
    m_window->setObjectName(QStringLiteral("WhatNewWindow"));
    m_window->setWindowTitle(QStringLiteral("What's New in Penwick"));
    m_window->resize(720, 600);
    auto* layout = new QVBoxLayout(m_window);
    layout->setContentsMargins(0, 0, 0, 0);
    m_webView = new platform::WebView(m_window);
    layout->addWidget(m_webView);
    // Closable from the keyboard and with a button, also where no window manager draws a title
    // bar; the page takes the keys, so the shortcuts belong to the whole window.
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, m_window);
    buttons->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, m_window, &QDialog::reject);
    for (const QKeySequence& keys : { QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W) }) {
        auto* shortcut = new QShortcut(keys, m_window);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, m_window, &QDialog::reject);
    }
    windowDidLoad();
}

WhatNewWindowController::~WhatNewWindowController()
{
    delete m_window.data();
}

QString WhatNewWindowController::pagePath()
{
    return QDir(platform::resourcesDirectory()).absoluteFilePath(QStringLiteral("whatsNew.html"));
}

void WhatNewWindowController::windowDidLoad()
{
    // White behind the page, so nothing shows through while it loads.
    QPalette palette = m_window->palette();
    palette.setColor(QPalette::Window, Qt::white);
    m_window->setPalette(palette);
    m_window->setAutoFillBackground(true);
    m_webView->setNavigationPolicy([this](const platform::NavigationRequest& request) { return decidePolicyForNavigation(request); });
    m_webView->loadUrl(QUrl::fromLocalFile(pagePath()));
}

bool WhatNewWindowController::decidePolicyForNavigation(const platform::NavigationRequest& request)
{
    // Every request that reaches here was started by the user; without an address there is
    // nothing to open, and the page stays either way.
    if (!request.url.isEmpty() && request.url.isValid())
        m_webView->openExternally(request.url);
    return false;
}

void WhatNewWindowController::run()
{
    if (!m_window)
        return;
    m_window->setWindowModality(Qt::ApplicationModal);
    m_window->exec();
}

} // namespace penwick
