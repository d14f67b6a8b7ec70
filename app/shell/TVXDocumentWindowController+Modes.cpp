// Full screen, distraction-free mode and the editor font size of a document window.
#include "shell/TVXDocumentWindowController.h"

#include "shell/AnimatedSplitView.h"
#include "common/EditorFontSize.h"
#include "shell/TVXEditorViewController.h"
#include "shell/TVXWindowSplitViewController.h"

#include <QAction>
#include <QEvent>
#include <QMainWindow>

namespace penwick {

namespace {
const QString EnterTitle = QStringLiteral("Enter Distraction Free Mode");
const QString ExitTitle = QStringLiteral("Exit Distraction Free Mode");
} // namespace

void TVXDocumentWindowController::setSplitViewController(TVXWindowSplitViewController* layout)
{
    m_layout = layout;
}

bool TVXDocumentWindowController::isFullScreen() const
{
    return m_window && m_window->isFullScreen();
}

void TVXDocumentWindowController::enterDistractionFreeMode(QAction* item)
{
    if (!item)
        return;
    const int tag = item->data().toInt();
    if (tag == 0) {
        item->setText(ExitTitle);
        item->setData(1);
        if (isFullScreen()) {
            enterDistracitonFreeMode();
        } else {
            m_isDFMPending = true;
            toggleFullScreen();
        }
    } else if (tag == 1) {
        item->setText(EnterTitle);
        item->setData(0);
        if (isFullScreen()) {
            m_isDFMPending = true;
            toggleFullScreen();
        } else {
            exitDistracitonFreeMode();
        }
    }
}

void TVXDocumentWindowController::enterDistracitonFreeMode()
{
    if (m_layout)
        m_layout->enterDistractionFreeMode();
    for (auto* editor : std::as_const(m_editorViewControllers)) {
        if (auto* pane = dynamic_cast<TVXEditorViewController*>(editor))
            pane->enterDistractionFreeMode();
    }
}

void TVXDocumentWindowController::exitDistracitonFreeMode()
{
    if (m_layout)
        m_layout->exitDistractionFreeMode();
    for (auto* editor : std::as_const(m_editorViewControllers)) {
        if (auto* pane = dynamic_cast<TVXEditorViewController*>(editor))
            pane->exitDistractionFreeMode();
    }
}

void TVXDocumentWindowController::toggleFullScreen()
{
    if (!m_window)
        return;
    // Qt announces no coming change: the will steps run here, the did steps when the window's
    // state has changed (at once for the widget, later for some window managers).
    if (isFullScreen()) {
        windowWillExitFullScreen();
        m_window->showNormal();
    } else {
        windowWillEnterFullScreen();
        m_window->showFullScreen();
    }
}

void TVXDocumentWindowController::windowWillEnterFullScreen()
{
    if (m_isDFMPending)
        enterDistracitonFreeMode();
    if (m_layout)
        m_layout->willEnterFullScreen();
}

void TVXDocumentWindowController::windowWillExitFullScreen()
{
    if (m_isDFMPending)
        exitDistracitonFreeMode();
    if (m_layout)
        m_layout->willExitFullScreen();
}

void TVXDocumentWindowController::windowDidEnterFullScreen()
{
    m_knownFullScreen = true;
    adjustMarginsForCurrentEditor();
    m_isDFMPending = false;
    if (m_layout)
        m_layout->enterFullScreen();
}

void TVXDocumentWindowController::windowDidExitFullScreen()
{
    m_knownFullScreen = false;
    adjustMarginsForCurrentEditor();
    m_isDFMPending = false;
    if (m_layout)
        m_layout->exitFullScreen();
}

bool TVXDocumentWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && m_window) {
        switch (event->type()) {
        case QEvent::WindowStateChange: {
            const bool full = m_window->isFullScreen();
            if (full == m_knownFullScreen)
                break;
            // Also a change made by other means (the window manager's button), which leaves
            // distraction-free mode as it is.
            if (full)
                windowDidEnterFullScreen();
            else
                windowDidExitFullScreen();
            break;
        }
        case QEvent::Resize:
            adjustMarginsForCurrentEditor();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

// --- Zoom ---

void TVXDocumentWindowController::zoomIn()
{
    EditorFontSize::store(EditorFontSize::zoomed(EditorFontSize::stored(), 1.0));
}

void TVXDocumentWindowController::zoomOut()
{
    EditorFontSize::store(EditorFontSize::zoomed(EditorFontSize::stored(), -1.0));
}

void TVXDocumentWindowController::zoomImageToActualSize()
{
    EditorFontSize::store(EditorFontSize::ActualSize);
}

} // namespace penwick
