#include "preview/PreviewPane.h"

#include "platform/UserDefaults.h"
#include "platform/web/WebView.h"
#include "preview/ExternalPreviewWindowController.h"
#include "preview/PreviewController.h"
#include "common/Prefs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace penwick {

PreviewPane::PreviewPane(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_view = new platform::WebView(this);
    layout->addWidget(m_view, 1);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(6, 2, 6, 2);
    m_busy = new QProgressBar(this);
    m_busy->setRange(0, 0); // spins
    m_busy->setTextVisible(false);
    m_busy->setFixedSize(48, 10);
    m_busy->hide();
    m_countLabel = new QLabel(this);
    m_countLabel->setObjectName(QStringLiteral("previewWordCount"));
    auto makeToggle = [this](const QString& text, const QString& tip) {
        auto* button = new QToolButton(this);
        button->setText(text);
        button->setToolTip(tip);
        button->setCheckable(true);
        button->setAutoRaise(true);
        return button;
    };
    m_realPreview = makeToggle(tr("Real Preview"), tr("Show the document inside the page of the chosen site"));
    m_externalToggle = makeToggle(tr("Window"), tr("Show the preview in a window of its own"));
    m_autoSync = makeToggle(tr("Sync"), tr("Scroll the preview with the editor"));
    m_outline = makeToggle(tr("Outline"), tr("Show the headings of the rendered document"));
    m_outline->setObjectName(QStringLiteral("previewOutlineButton"));
    m_autoSync->setChecked(platform::UserDefaults::standard().boolForKey(Prefs::ENABLE_AUTO_SYNC));
    bar->addWidget(m_busy);
    bar->addWidget(m_countLabel);
    bar->addStretch(1);
    bar->addWidget(m_outline);
    bar->addWidget(m_realPreview);
    bar->addWidget(m_externalToggle);
    bar->addWidget(m_autoSync);
    layout->addLayout(bar);

    m_external = new ExternalPreviewWindowController(this);
    m_controller = new PreviewController(this);
    m_controller->setPreviewView(m_view);
    m_controller->setProgressIndicator(m_busy);
    m_controller->setRealPreviewButton(m_realPreview);
    m_controller->setExternalPreviewToggleButton(m_externalToggle);
    m_controller->setCountLabel(m_countLabel);
    m_controller->setExternalPreviewWindowController(m_external);
    m_controller->awakeFromNib();

    connect(m_realPreview, &QToolButton::clicked, m_controller, &PreviewController::showRealPreview);
    connect(m_externalToggle, &QToolButton::clicked, m_controller, &PreviewController::showExternalPreviewWindow);
    connect(m_autoSync, &QToolButton::toggled, m_controller, &PreviewController::autoSyncToggle);
}

PreviewPane::~PreviewPane()
{
    // The controller goes first: it must not outlive the view and window it drives.
    delete m_controller;
    m_controller = nullptr;
    delete m_external;
    m_external = nullptr;
}

} // namespace penwick
