#include "preview/ExternalPreviewWindowController.h"

#include "platform/UserDefaults.h"
#include "platform/web/WebView.h"
#include "preview/ExternalPreviewController.h"
#include "common/Prefs.h"

#include <QCloseEvent>
#include <QShortcut>
#include <QVBoxLayout>

namespace penwick {

namespace {

float zoomLevel()
{
    return static_cast<float>(platform::UserDefaults::standard().doubleForKey(Prefs::PREVIEW_EXTERNAL_ZOOM_LEVEL));
}

void setZoomLevel(float level)
{
    platform::UserDefaults::standard().setValue(Prefs::PREVIEW_EXTERNAL_ZOOM_LEVEL, static_cast<double>(level));
}

} // namespace

ExternalPreviewWindowController::ExternalPreviewWindowController(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(tr("Preview"));
    resize(700, 800);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new platform::WebView(this);
    layout->addWidget(m_view);
    m_controller = new ExternalPreviewController(this);
    m_controller->setPreviewView(m_view);
    m_controller->awakeFromNib();

    for (const QKeySequence& keys : { QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus) })
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &ExternalPreviewWindowController::zoomIn);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus), this), &QShortcut::activated, this, &ExternalPreviewWindowController::zoomOut);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_0), this), &QShortcut::activated, this,
        &ExternalPreviewWindowController::zoomImageToActualSize);
}

ExternalPreviewWindowController::~ExternalPreviewWindowController()
{
    m_windowWillClose = nullptr;
}

void ExternalPreviewWindowController::showWindow()
{
    show();
    raise();
    activateWindow();
}

void ExternalPreviewWindowController::zoomIn()
{
    setZoomLevel(zoomLevel() + 0.1f);
}

void ExternalPreviewWindowController::zoomOut()
{
    const float next = zoomLevel() - 0.1f;
    if (next >= 0.1f - 1e-4f)
        setZoomLevel(next);
}

void ExternalPreviewWindowController::zoomImageToActualSize()
{
    setZoomLevel(1.0f);
}

void ExternalPreviewWindowController::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted() && m_windowWillClose)
        m_windowWillClose();
}

} // namespace penwick
