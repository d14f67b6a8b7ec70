#include "shell/TVXSwitchTabsWindowController.h"

#include "tools/TVXQuickOpenTableCellView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace penwick {

TVXSwitchTabsWindowController::TVXSwitchTabsWindowController(const QList<platform::TabViewItem*>& tabItems, TitleProvider title, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    for (auto* item : tabItems)
        m_items.append(item);
    m_table = new QListWidget(this);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table);
    m_rowHeight = DesignedRowHeight;
    for (auto* item : tabItems) {
        auto* row = new QListWidgetItem(m_table);
        row->setSizeHint(QSize(0, int(m_rowHeight)));
        auto* cell = new TVXQuickOpenTableCellView;
        cell->textField()->setText(title ? title(item) : (item ? item->label() : QString()));
        m_table->setItemWidget(row, cell);
    }
    connect(m_table, &QListWidget::currentRowChanged, this, [this] { calibrateRowSelectionColor(); });
    if (!m_items.isEmpty())
        m_table->setCurrentRow(0);
    resize(320, 10);
    adjustTableHeight();
}

TVXSwitchTabsWindowController::~TVXSwitchTabsWindowController() = default;

double TVXSwitchTabsWindowController::tableHeight() const
{
    const qsizetype n = m_items.size();
    return n <= 10 ? double(n) * m_rowHeight + 2.0 * double(n) : 10.0 * m_rowHeight;
}

void TVXSwitchTabsWindowController::adjustTableHeight()
{
    setTableViewHeight(tableHeight());
}

void TVXSwitchTabsWindowController::setTableViewHeight(double height)
{
    m_table->setFixedHeight(int(height));
    setFixedHeight(int(height));
    // The location is the panel's centre. The source's frames count y upwards (origin at
    // y + H/2 is the panel's bottom edge); Qt counts downwards, so the top edge is y − H/2.
    const int width = this->width();
    move(m_initialLocation.x() - width / 2, m_initialLocation.y() - int(height / 2));
}

void TVXSwitchTabsWindowController::showWindowWithParentWindowLocation(QPoint location, int offset)
{
    m_initialLocation = location;
    adjustTableHeight();
    // The keys go on reaching the window that opened the panel (the window manager may keep
    // its focus there, and Control is held down since before the panel was shown): the panel
    // watches the application's keys while it shows.
    qApp->installEventFilter(this);
    show();
    raise();
    activateWindow();
    setFocus();
    if (offset == -1)
        gotoPrevDocInStack();
    else if (offset == 1)
        gotoNextDocInStack();
}

int TVXSwitchTabsWindowController::selectedRow() const
{
    return m_table->currentRow();
}

void TVXSwitchTabsWindowController::selectRow(int row)
{
    m_table->setCurrentRow(row);
    calibrateRowSelectionColor();
}

void TVXSwitchTabsWindowController::gotoNextDocInStack()
{
    const int n = numberOfRows();
    if (n == 0)
        return;
    const int row = selectedRow();
    selectRow(row < 0 || row + 1 >= n ? 0 : row + 1);
}

void TVXSwitchTabsWindowController::gotoPrevDocInStack()
{
    const int n = numberOfRows();
    if (n == 0)
        return;
    const int row = selectedRow();
    selectRow(row <= 0 ? n - 1 : row - 1);
}

TVXQuickOpenTableCellView* TVXSwitchTabsWindowController::cellAtRow(int row) const
{
    if (row < 0 || row >= m_table->count())
        return nullptr;
    return qobject_cast<TVXQuickOpenTableCellView*>(m_table->itemWidget(m_table->item(row)));
}

void TVXSwitchTabsWindowController::calibrateRowSelectionColor()
{
    const int selected = selectedRow();
    for (int row = 0; row < m_table->count(); ++row) {
        if (auto* cell = cellAtRow(row))
            cell->setSelectedAppearance(row == selected);
    }
}

void TVXSwitchTabsWindowController::notifyAndClose()
{
    if (m_finished)
        return;
    m_finished = true;
    const int row = selectedRow();
    QPointer<platform::TabViewItem> item = row >= 0 && row < m_items.size() ? m_items[row] : nullptr;
    close();
    if (m_delegate && item)
        m_delegate->tabItemDidSelectForSwitching(item);
}

void TVXSwitchTabsWindowController::cancelOperation()
{
    m_finished = true;
    close();
}

bool TVXSwitchTabsWindowController::handleKey(QKeyEvent* event, bool press)
{
    if (event->key() == Qt::Key_Control) {
        // Any change of a Control key commits.
        notifyAndClose();
        return true;
    }
    if (!press)
        return false;
    switch (event->key()) {
    case Qt::Key_Escape:
        cancelOperation();
        return true;
    case Qt::Key_Backtab:
        gotoPrevDocInStack();
        return true;
    case Qt::Key_Tab:
        if (event->modifiers() & Qt::ShiftModifier)
            gotoPrevDocInStack();
        else
            gotoNextDocInStack();
        return true;
    case Qt::Key_Down:
        gotoNextDocInStack();
        return true;
    case Qt::Key_Up:
        gotoPrevDocInStack();
        return true;
    default:
        return false;
    }
}

void TVXSwitchTabsWindowController::keyPressEvent(QKeyEvent* event)
{
    if (!handleKey(event, true))
        QWidget::keyPressEvent(event);
}

void TVXSwitchTabsWindowController::keyReleaseEvent(QKeyEvent* event)
{
    if (!handleKey(event, false))
        QWidget::keyReleaseEvent(event);
}

bool TVXSwitchTabsWindowController::isPanelKey(const QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Control:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Down:
    case Qt::Key_Up:
        return true;
    default:
        return false;
    }
}

bool TVXSwitchTabsWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (m_finished || !isVisible())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Claimed here, so that the window's own Ctrl+Tab does not open another run and the
        // key arrives as a key press.
        if (isPanelKey(static_cast<QKeyEvent*>(event))) {
            event->accept();
            return true;
        }
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // Taken at the widget it is sent to, before that widget (the editor) sees it.
        auto* key = static_cast<QKeyEvent*>(event);
        if (!watched->isWidgetType() || !isPanelKey(key))
            break;
        key->accept();
        handleKey(key, event->type() == QEvent::KeyPress);
        return true;
    }
    case QEvent::MouseButtonPress:
        // A click anywhere else closes the panel without a choice.
        if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->window() != this)
            cancelOperation();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TVXSwitchTabsWindowController::hideEvent(QHideEvent* event)
{
    qApp->removeEventFilter(this);
    QWidget::hideEvent(event);
}

bool TVXSwitchTabsWindowController::event(QEvent* event)
{
    // Losing the active state (a click elsewhere) closes the panel without a choice.
    if (event->type() == QEvent::WindowDeactivate && isVisible() && !m_finished)
        cancelOperation();
    return QWidget::event(event);
}

} // namespace penwick
