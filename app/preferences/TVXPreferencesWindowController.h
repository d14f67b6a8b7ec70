#pragma once

#include <QList>
#include <QWidget>

class QAction;
class QActionGroup;
class QStackedWidget;
class QToolBar;

namespace penwick {

class PreferencePane;

// The preferences window: one checkable toolbar item per pane over a stack of the panes.
// Switching tells the old pane viewDidDisappear and then the new one viewWillAppear;
// showing the window tells the pane shown viewWillAppear, closing it viewDidDisappear.
// Ctrl+W closes it while it is the active window.
class TVXPreferencesWindowController : public QWidget {
    Q_OBJECT
public:
    // Takes ownership of the panes; shown in the given order.
    TVXPreferencesWindowController(const QList<PreferencePane*>& panes, const QString& title, QWidget* parent = nullptr);

    void showWindow();
    void performClose() { close(); }
    void performTabClose() { close(); }

    // Shows the pane with this identifier; false when there is none.
    bool selectPane(const QString& identifier);
    PreferencePane* selectedPane() const { return m_selected; }
    const QList<PreferencePane*>& panes() const { return m_panes; }
    QToolBar* toolbar() const { return m_toolbar; }
    QList<QAction*> toolbarActions() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void switchTo(PreferencePane* pane);

    QList<PreferencePane*> m_panes;
    QToolBar* m_toolbar = nullptr;
    QActionGroup* m_group = nullptr;
    QStackedWidget* m_stack = nullptr;
    PreferencePane* m_selected = nullptr;
    bool m_appeared = false;
};

} // namespace penwick
