#include "shell/TVXWindowSplitViewController.h"

#include "shell/AnimatedSplitView.h"
#include "common/Notifications.h"

#include "platform/NotificationCenter.h"

#include <QAbstractButton>
#include <QAction>
#include <QWidget>

namespace penwick {

namespace {
constexpr int kNavigator = 0;
constexpr int kEditor = 1;
constexpr int kPreview = 2;
} // namespace

TVXWindowSplitViewController::TVXWindowSplitViewController(QObject* parent)
    : QObject(parent)
{
    const struct {
        Action action;
        const char* text;
        void (TVXWindowSplitViewController::*slot)();
    } actions[] = {
        { Action::ToggleNavigator, "Toggle Navigator", &TVXWindowSplitViewController::toggleNavigator },
        { Action::TogglePreview, "Toggle Preview", &TVXWindowSplitViewController::togglePreview },
        { Action::ShowOnlyEditor, "Show Only Editor", &TVXWindowSplitViewController::showOnlyEditor },
        { Action::MakePreviewAndEditorSizeEqual, "Make Preview and Editor Size Equal",
            &TVXWindowSplitViewController::makePreviewAndEditorSizeEqual },
    };
    for (const auto& a : actions) {
        auto* action = new QAction(tr(a.text), this);
        connect(action, &QAction::triggered, this, a.slot);
        m_actions[int(a.action)] = action;
    }
}

TVXWindowSplitViewController::~TVXWindowSplitViewController()
{
    m_previewReturn.cancel();
    if (m_windowSplitView && m_windowSplitView->delegate() == this)
        m_windowSplitView->setDelegate(nullptr);
}

// --- Outlets ---

void TVXWindowSplitViewController::setWindowSplitView(AnimatedSplitView* splitView)
{
    if (m_windowSplitView && m_windowSplitView->delegate() == this)
        m_windowSplitView->setDelegate(nullptr);
    m_windowSplitView = splitView;
    if (splitView)
        splitView->setDelegate(this);
}

void TVXWindowSplitViewController::setNavigatorToggleBtn(QAbstractButton* button)
{
    m_navigatorToggleBtn = button;
    if (button) {
        button->setCheckable(true);
        connect(button, &QAbstractButton::clicked, this, &TVXWindowSplitViewController::toggleNavigator);
    }
}

void TVXWindowSplitViewController::setPreviewToggleBtn(QAbstractButton* button)
{
    m_previewToggleBtn = button;
    if (button) {
        button->setCheckable(true);
        connect(button, &QAbstractButton::clicked, this, &TVXWindowSplitViewController::togglePreview);
    }
}

void TVXWindowSplitViewController::setBars(
    QWidget* editorStatusBar, QWidget* previewStatusBar, QWidget* navigatorStatusBar, QWidget* tabBarView)
{
    m_editorStatusBar.widget = editorStatusBar;
    m_previewStatusBar.widget = previewStatusBar;
    m_navigatorStatusBar.widget = navigatorStatusBar;
    m_tabBarView.widget = tabBarView;
}

// --- Set-up ---

void TVXWindowSplitViewController::awakeFromNib()
{
    m_needsPreview = true;
    m_supportsNavigation = true;
    m_enablePreviewPanel = true;
    m_enableNavigatorPanel = true;
    if (!m_windowSplitView || m_windowSplitView->count() < 3)
        return;
    m_editorView = m_windowSplitView->widget(kEditor);
    m_windowSplitView->setCollapsible(kNavigator, true);
    m_windowSplitView->setCollapsible(kEditor, false);
    m_windowSplitView->setCollapsible(kPreview, true);
    initializeNavigatorViewStatesWithDefaultPosition(DEFAULT_NAVIGATOR_POSITION);
    initializePreviewViewStatesWithDefaultPosition(m_parentWindow ? m_parentWindow->frameGeometry().width() * 0.5 : 0.0);
    updateActions();
}

void TVXWindowSplitViewController::initializeNavigatorViewStatesWithDefaultPosition(int defaultPosition)
{
    m_navigatorView = m_windowSplitView->widget(kNavigator);
    m_navigatorViewPosition = currentNavigatorPaneState() ? m_windowSplitView->subviewSize(kNavigator) : defaultPosition;
    if (m_navigatorToggleBtn)
        m_navigatorToggleBtn->setChecked(currentNavigatorPaneState() == 1);
}

void TVXWindowSplitViewController::initializePreviewViewStatesWithDefaultPosition(double defaultPosition)
{
    m_previewView = m_windowSplitView->widget(kPreview);
    m_previewViewPosition = currentPreviewPaneState()
        ? m_windowSplitView->maxPossiblePositionOfDividerAtIndex(1)
        : defaultPosition;
    if (m_previewToggleBtn)
        m_previewToggleBtn->setChecked(currentPreviewPaneState() == 1);
}

int TVXWindowSplitViewController::currentNavigatorPaneState() const
{
    return m_windowSplitView && !m_windowSplitView->isSubviewCollapsed(kNavigator) ? 1 : 0;
}

int TVXWindowSplitViewController::currentPreviewPaneState() const
{
    return m_windowSplitView && !m_windowSplitView->isSubviewCollapsed(kPreview) ? 1 : 0;
}

void TVXWindowSplitViewController::setNavigatorState(int state, bool animated)
{
    if (!m_windowSplitView || currentNavigatorPaneState() == (state != 0 ? 1 : 0))
        return;
    if (state == 0) {
        m_navigatorViewPosition = m_windowSplitView->positionOfDividerAtIndex(0);
        m_windowSplitView->setPosition(0.0, 0, animated);
    } else {
        m_windowSplitView->setPosition(m_navigatorViewPosition, 0, animated);
    }
}

void TVXWindowSplitViewController::setPreviewState(int state, bool animated)
{
    if (!m_windowSplitView || currentPreviewPaneState() == (state != 0 ? 1 : 0))
        return;
    if (state == 0) {
        m_previewViewPosition = m_windowSplitView->positionOfDividerAtIndex(1);
        m_windowSplitView->setPosition(m_windowSplitView->maxPossiblePositionOfDividerAtIndex(1), 1, animated);
    } else {
        m_windowSplitView->setPosition(m_previewViewPosition, 1, animated);
    }
}

// --- Actions ---

void TVXWindowSplitViewController::toggleNavigator() { setNavigatorState(currentNavigatorPaneState() ? 0 : 1); }

void TVXWindowSplitViewController::togglePreview() { setPreviewState(currentPreviewPaneState() ? 0 : 1); }

void TVXWindowSplitViewController::showOnlyEditor()
{
    setNavigatorState(0);
    setPreviewState(0);
}

void TVXWindowSplitViewController::makePreviewAndEditorSizeEqual()
{
    if (!m_windowSplitView)
        return;
    const double thickness = m_windowSplitView->dividerThickness();
    const double a = m_windowSplitView->subviewOrigin(kEditor) - thickness;
    const double b = m_windowSplitView->subviewFarEdge(kPreview) - thickness;
    m_windowSplitView->setPosition((a + b) * 0.5, 1, true);
    m_windowSplitView->update();
}

bool TVXWindowSplitViewController::validateMenuItem(Action action) const
{
    switch (action) {
    case Action::ToggleNavigator:
        return m_supportsNavigation || m_enableNavigatorPanel;
    case Action::ShowOnlyEditor:
        return m_supportsNavigation || m_enablePreviewPanel;
    case Action::TogglePreview:
    case Action::MakePreviewAndEditorSizeEqual:
        return m_enablePreviewPanel;
    case Action::Other:
        break;
    }
    return true;
}

QAction* TVXWindowSplitViewController::action(Action action) const
{
    return action == Action::Other ? nullptr : m_actions[int(action)];
}

void TVXWindowSplitViewController::updateActions()
{
    for (Action a : { Action::ToggleNavigator, Action::TogglePreview, Action::ShowOnlyEditor,
             Action::MakePreviewAndEditorSizeEqual })
        m_actions[int(a)]->setEnabled(validateMenuItem(a));
}

// --- Panels ---

void TVXWindowSplitViewController::showFolderNavigatorWithoutAnimation() { setNavigatorState(1); }

void TVXWindowSplitViewController::disableNavigatorPanel()
{
    m_navigatorViewWasCollapsed = currentNavigatorPaneState() == 0;
    if (!m_navigatorViewWasCollapsed)
        setNavigatorState(0, false);
    m_enableNavigatorPanel = false;
    if (m_navigatorToggleBtn)
        m_navigatorToggleBtn->setEnabled(false);
    updateActions();
}

void TVXWindowSplitViewController::disablePreviewPanel()
{
    m_previewViewWasCollapsed = currentPreviewPaneState() == 0;
    if (!m_previewViewWasCollapsed)
        setPreviewState(0, false);
    m_enablePreviewPanel = false;
    if (m_previewToggleBtn)
        m_previewToggleBtn->setEnabled(false);
    updateActions();
}

void TVXWindowSplitViewController::enableNavigatorPanel()
{
    if (!m_navigatorViewWasCollapsed && m_supportsNavigation)
        setNavigatorState(1, false);
    m_enableNavigatorPanel = m_supportsNavigation;
    if (m_navigatorToggleBtn && m_supportsNavigation)
        m_navigatorToggleBtn->setEnabled(true);
    updateActions();
}

void TVXWindowSplitViewController::enablePreviewPanel()
{
    if (!m_needsPreview)
        return;
    if (!m_previewViewWasCollapsed)
        setPreviewState(1, false);
    m_enablePreviewPanel = true;
    if (m_previewToggleBtn)
        m_previewToggleBtn->setEnabled(true);
    updateActions();
}

// --- Distraction-free mode ---

void TVXWindowSplitViewController::enterDistractionFreeMode()
{
    // A preview still due from leaving the mode a moment ago must not come back inside it.
    m_previewReturn.cancel();
    m_isInDFM = true;
    disablePreviewPanel();
    disableNavigatorPanel();
    hideDistractingConstrants();
}

void TVXWindowSplitViewController::exitDistractionFreeMode()
{
    m_isInDFM = false;
    enableNavigatorPanel();
    showDistractingConstrants();
    m_previewReturn.cancel();
    m_previewReturn = m_clock->schedule(PREVIEW_RETURN_DELAY_MS, this, [this] { enablePreviewPanel(); });
}

void TVXWindowSplitViewController::hideDistractingConstrants()
{
    // The limits are taken now, not at set-up: a tab bar only gets its height with its tabs.
    for (Bar* bar : { &m_navigatorStatusBar, &m_editorStatusBar, &m_previewStatusBar, &m_tabBarView }) {
        QWidget* widget = bar->widget;
        if (!widget)
            continue;
        if (!bar->savedLimits)
            bar->savedLimits = std::make_pair(widget->minimumHeight(), widget->maximumHeight());
        widget->setFixedHeight(0);
    }
    if (m_windowSplitView)
        m_windowSplitView->update();
}

void TVXWindowSplitViewController::showDistractingConstrants()
{
    for (Bar* bar : { &m_navigatorStatusBar, &m_editorStatusBar, &m_previewStatusBar, &m_tabBarView }) {
        if (bar->widget && bar->savedLimits) {
            bar->widget->setMinimumHeight(bar->savedLimits->first);
            bar->widget->setMaximumHeight(bar->savedLimits->second);
        }
        bar->savedLimits.reset();
    }
    if (m_windowSplitView)
        m_windowSplitView->update();
}

// --- Full screen ---

void TVXWindowSplitViewController::calculateWidthRatio()
{
    if (!m_windowSplitView)
        return;
    const double editor = m_windowSplitView->subviewSize(kEditor);
    const double preview = m_windowSplitView->subviewSize(kPreview);
    const double room = editor + preview - 2.0 * m_windowSplitView->dividerThickness();
    m_editorPreviewRatio = room > 0.0 ? editor / room : 0.0;
}

void TVXWindowSplitViewController::adjustWidthRatio()
{
    if (!m_windowSplitView || m_isInDFM || currentPreviewPaneState() == 0)
        return;
    const double thickness = m_windowSplitView->dividerThickness();
    const double a = m_windowSplitView->subviewOrigin(kEditor) - thickness;
    const double b = m_windowSplitView->subviewFarEdge(kPreview) - thickness;
    m_windowSplitView->setPosition(dividerPositionForRatio(a, b, m_editorPreviewRatio), 1, true);
    m_windowSplitView->update();
}

// --- Split view delegate ---

bool TVXWindowSplitViewController::splitViewCanCollapseSubview(AnimatedSplitView* splitView, int index)
{
    return splitView && (index == kNavigator || index == kPreview);
}

bool TVXWindowSplitViewController::splitViewCanDragDivider(AnimatedSplitView*, int divider)
{
    if (divider == 0)
        return m_supportsNavigation || m_enableNavigatorPanel;
    if (divider == 1)
        return m_enablePreviewPanel;
    return false;
}

void TVXWindowSplitViewController::splitViewDidResizeSubviews(AnimatedSplitView*)
{
    if (m_navigatorToggleBtn)
        m_navigatorToggleBtn->setChecked(currentNavigatorPaneState() == 1);
    if (m_previewToggleBtn)
        m_previewToggleBtn->setChecked(currentPreviewPaneState() == 1);
    platform::NotificationCenter::defaultCenter().post(Notifications::SPLIT_VIEW_STATE_CHANGED, this);
}

} // namespace penwick
