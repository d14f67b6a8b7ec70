#include "preferences/TVXPreferencesWindowController.h"

#include "preferences/PreferencePane.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace penwick {

TVXPreferencesWindowController::TVXPreferencesWindowController(const QList<PreferencePane*>& panes, const QString& title, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_panes(panes)
    , m_toolbar(new QToolBar(this))
    , m_group(new QActionGroup(this))
    , m_stack(new QStackedWidget(this))
{
    setWindowTitle(title);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setIconSize(QSize(32, 32));
    m_toolbar->setMovable(false);
    m_group->setExclusive(true);
    for (PreferencePane* pane : m_panes) {
        m_stack->addWidget(pane);
        QAction* item = m_toolbar->addAction(pane->toolbarItemImage(), pane->toolbarItemLabel());
        item->setObjectName(pane->identifier());
        item->setCheckable(true);
        m_group->addAction(item);
        connect(item, &QAction::triggered, this, [this, pane] { switchTo(pane); });
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolbar);
    layout->addWidget(m_stack, 1);

    auto* closeAction = new QAction(QStringLiteral("Close"), this);
    // Ctrl+W everywhere, whatever the platform theme makes of the standard Close key.
    QList<QKeySequence> keys { QKeySequence(Qt::CTRL | Qt::Key_W) };
    for (const QKeySequence& key : QKeySequence::keyBindings(QKeySequence::Close)) {
        if (!keys.contains(key))
            keys.append(key);
    }
    closeAction->setShortcuts(keys);
    closeAction->setShortcutContext(Qt::WindowShortcut);
    connect(closeAction, &QAction::triggered, this, &TVXPreferencesWindowController::performClose);
    addAction(closeAction);

    if (!m_panes.isEmpty()) {
        m_selected = m_panes.first();
        m_group->actions().first()->setChecked(true);
        m_stack->setCurrentWidget(m_selected);
    }
    resize(640, 440);
}

QList<QAction*> TVXPreferencesWindowController::toolbarActions() const
{
    return m_group->actions();
}

void TVXPreferencesWindowController::showWindow()
{
    show();
    raise();
    activateWindow();
}

bool TVXPreferencesWindowController::selectPane(const QString& identifier)
{
    for (qsizetype i = 0; i < m_panes.size(); ++i) {
        if (m_panes[i]->identifier() == identifier) {
            m_group->actions().at(i)->setChecked(true);
            switchTo(m_panes[i]);
            return true;
        }
    }
    return false;
}

void TVXPreferencesWindowController::switchTo(PreferencePane* pane)
{
    if (pane == m_selected)
        return;
    PreferencePane* old = m_selected;
    m_selected = pane;
    if (m_appeared && old)
        old->viewDidDisappear();
    if (m_appeared)
        pane->viewWillAppear();
    m_stack->setCurrentWidget(pane);
}

void TVXPreferencesWindowController::showEvent(QShowEvent* event)
{
    if (!m_appeared && m_selected) {
        m_appeared = true;
        m_selected->viewWillAppear();
    }
    m_appeared = true;
    QWidget::showEvent(event);
}

void TVXPreferencesWindowController::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // A minimised window stays open: only a real close or hide counts as leaving the pane.
    if (isMinimized() || !m_appeared)
        return;
    m_appeared = false;
    if (m_selected)
        m_selected->viewDidDisappear();
}

} // namespace penwick
