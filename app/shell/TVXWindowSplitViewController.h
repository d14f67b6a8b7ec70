#pragma once

#include "shell/SplitViewDelegate.h"

#include "platform/Clock.h"

#include <QObject>
#include <QPointer>

#include <optional>
#include <utility>

#include <QAbstractButton>
class QAction;
class QWidget;

namespace penwick {

class AnimatedSplitView;

// The three panes of a document window, side by side: navigator (subview 0), editor
// (subview 1) and preview (subview 2). Shows and collapses the side panes, remembers where
// their dividers stood, locks the preview's divider while the preview is disabled, strips the
// window for distraction-free mode and keeps the editor-to-preview proportion across full
// screen. After every resize it updates the toggle buttons and posts
// "WindowSplitViewStateChangedNotification" with itself as object.
class TVXWindowSplitViewController : public QObject, public SplitViewDelegate {
    Q_OBJECT
public:
    // The menu actions of the layout.
    enum class Action { ToggleNavigator, TogglePreview, ShowOnlyEditor, MakePreviewAndEditorSizeEqual, Other };

    static constexpr int DEFAULT_NAVIGATOR_POSITION = 250;
    // The preview comes back this long after the navigator when distraction-free mode ends.
    static constexpr int PREVIEW_RETURN_DELAY_MS = 1000;

    explicit TVXWindowSplitViewController(QObject* parent = nullptr);
    ~TVXWindowSplitViewController() override;

    // --- Outlets, set before awakeFromNib ---
    void setWindowSplitView(AnimatedSplitView* splitView);
    AnimatedSplitView* windowSplitView() const { return m_windowSplitView; }
    void setNavigatorToggleBtn(QAbstractButton* button);
    void setPreviewToggleBtn(QAbstractButton* button);
    QAbstractButton* navigatorToggleBtn() const { return m_navigatorToggleBtn; }
    QAbstractButton* previewToggleBtn() const { return m_previewToggleBtn; }
    // The status bars of the three panes and the tab bar: distraction-free mode takes their height away.
    void setBars(QWidget* editorStatusBar, QWidget* previewStatusBar, QWidget* navigatorStatusBar, QWidget* tabBarView);
    void setParentWindow(QWidget* window) { m_parentWindow = window; }
    QWidget* parentWindow() const { return m_parentWindow; }
    // The clock of the delayed preview (the system's unless a test sets its own).
    void setClock(platform::Clock* clock) { m_clock = clock; }

    // --- Set-up and state ---
    void awakeFromNib();
    void initializeNavigatorViewStatesWithDefaultPosition(int defaultPosition);
    void initializePreviewViewStatesWithDefaultPosition(double defaultPosition);
    int currentNavigatorPaneState() const;
    int currentPreviewPaneState() const;
    void setNavigatorState(int state) { setNavigatorState(state, true); }
    void setPreviewState(int state) { setPreviewState(state, true); }
    void setNavigatorState(int state, bool animated);
    void setPreviewState(int state, bool animated);

    double navigatorViewPosition() const { return m_navigatorViewPosition; }
    double previewViewPosition() const { return m_previewViewPosition; }
    double editorPreviewRatio() const { return m_editorPreviewRatio; }
    bool supportsNavigation() const { return m_supportsNavigation; }
    bool isNavigatorPanelEnabled() const { return m_enableNavigatorPanel; }
    bool isPreviewPanelEnabled() const { return m_enablePreviewPanel; }
    bool isInDFM() const { return m_isInDFM; }
    QWidget* navigatorView() const { return m_navigatorView; }
    QWidget* editorView() const { return m_editorView; }
    QWidget* previewView() const { return m_previewView; }

    // --- Menu and button actions ---
    void toggleNavigator();
    void togglePreview();
    void showOnlyEditor();
    void makePreviewAndEditorSizeEqual();
    bool validateMenuItem(Action action) const;
    // The actions for the window's menus, kept enabled as validateMenuItem says.
    QAction* action(Action action) const;

    // --- Called by the document window ---
    void showFolderNavigatorWithoutAnimation();
    void disableNavigatorPanel();
    void disablePreviewPanel();
    void enableNavigatorPanel();
    void enablePreviewPanel();
    void enterDistractionFreeMode();
    void exitDistractionFreeMode();
    void willEnterFullScreen() { calculateWidthRatio(); }
    void willExitFullScreen() { calculateWidthRatio(); }
    void enterFullScreen() { adjustWidthRatio(); }
    void exitFullScreen() { adjustWidthRatio(); }
    void hideDistractingConstrants();
    void showDistractingConstrants();
    void calculateWidthRatio();
    void adjustWidthRatio();
    // Where divider 1 goes to keep `ratio` of the room between the editor's leading edge (a)
    // and the preview's far edge (b): a + (b - a) * ratio.
    static double dividerPositionForRatio(double a, double b, double ratio) { return a + (b - a) * ratio; }

    // --- Split view delegate ---
    bool splitViewCanCollapseSubview(AnimatedSplitView* splitView, int index) override;
    bool splitViewShouldCollapseSubviewForDoubleClick(AnimatedSplitView*, int, int) override { return true; }
    bool splitViewCanDragDivider(AnimatedSplitView* splitView, int divider) override;
    bool splitViewShouldHideDivider(AnimatedSplitView*, int) override { return m_isInDFM; }
    void splitViewDidResizeSubviews(AnimatedSplitView* splitView) override;

private:
    struct Bar {
        QPointer<QWidget> widget;
        // The bar's own height limits while distraction-free mode flattens it.
        std::optional<std::pair<int, int>> savedLimits;
    };
    void updateActions();

    QPointer<AnimatedSplitView> m_windowSplitView;
    QPointer<QAbstractButton> m_navigatorToggleBtn;
    QPointer<QAbstractButton> m_previewToggleBtn;
    Bar m_editorStatusBar;
    Bar m_previewStatusBar;
    Bar m_navigatorStatusBar;
    Bar m_tabBarView;
    double m_navigatorViewPosition = 0.0;
    double m_previewViewPosition = 0.0;
    QPointer<QWidget> m_navigatorView;
    QPointer<QWidget> m_previewView;
    QPointer<QWidget> m_editorView;
    bool m_supportsNavigation = false;
    bool m_enablePreviewPanel = false;
    bool m_enableNavigatorPanel = false;
    bool m_navigatorViewWasCollapsed = false;
    bool m_previewViewWasCollapsed = false;
    bool m_needsPreview = false;
    bool m_isInDFM = false;
    double m_editorPreviewRatio = 0.0;
    QPointer<QWidget> m_parentWindow;
    platform::Clock* m_clock = &platform::Clock::system();
    platform::ScheduledCall m_previewReturn;
    QAction* m_actions[4] = {};
};

} // namespace penwick
