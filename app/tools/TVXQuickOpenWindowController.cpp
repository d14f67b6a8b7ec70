#include "tools/TVXQuickOpenWindowController.h"

#include "Extensions/StringAdditions.h"
#include "tools/QuickOpenResultDelegate.h"
#include "tools/QuickOpenResultsModel.h"
#include "tools/QuickOpenText.h"
#include "tools/TVXQuickOpenDelegate.h"
#include "tools/TVXQuickOpenTableCellView.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace penwick {

namespace {
constexpr int PanelWidth = 520;
constexpr int VisibleRows = 6;
// The spacing term of the height counts every result, so a long list would make the
// panel taller than any screen: it stops counting here, and the table scrolls.
constexpr int MaxCountedResults = 12;
} // namespace

TVXQuickOpenWindowController::TVXQuickOpenWindowController(const QStringList& rootUrls, QWidget* parent)
    : TVXQuickOpenWindowController(rootUrls, {}, parent)
{
}

TVXQuickOpenWindowController::TVXQuickOpenWindowController(const QStringList& rootUrls, TVXQuickSearchService::IgnoreTestFactory ignore, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_rootUrls(rootUrls)
{
    setObjectName(QStringLiteral("QuickOpenWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    m_searchTextField = new QLineEdit(this);
    m_searchTextField->setObjectName(QStringLiteral("searchTextField"));
    m_searchTextField->setFixedWidth(PanelWidth);
    QFont fieldFont = m_searchTextField->font();
    fieldFont.setPointSizeF(fieldFont.pointSizeF() * 1.4);
    m_searchTextField->setFont(fieldFont);

    m_model = new QuickOpenResultsModel(this);
    m_cellDelegate = new QuickOpenResultDelegate(highlightColor(), this);
    m_searchTableView = new QTableView(this);
    m_searchTableView->setObjectName(QStringLiteral("searchTableView"));
    m_searchTableView->setModel(m_model);
    m_searchTableView->setItemDelegate(m_cellDelegate);
    m_searchTableView->horizontalHeader()->hide();
    m_searchTableView->horizontalHeader()->setStretchLastSection(true);
    m_searchTableView->verticalHeader()->hide();
    m_rowHeight = m_cellDelegate->cellHeight();
    m_searchTableView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_searchTableView->verticalHeader()->setMinimumSectionSize(1);
    m_searchTableView->verticalHeader()->setDefaultSectionSize(int(m_rowHeight) + QuickOpenResultDelegate::RowSpacing);
    m_searchTableView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_searchTableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_searchTableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_searchTableView->setFocusPolicy(Qt::NoFocus);
    m_searchTableView->setShowGrid(false);
    m_searchTableView->setFrameShape(QFrame::NoFrame);
    m_searchTableView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_searchTableView->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_searchTableView->setFixedWidth(PanelWidth);
    QPalette tablePalette = m_searchTableView->palette();
    tablePalette.setColor(QPalette::Base, Qt::white);
    m_searchTableView->setPalette(tablePalette);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_searchTextField);
    layout->addWidget(m_searchTableView);

    m_searchService = new TVXQuickSearchService(rootUrls, std::move(ignore), this);
    m_searchService->setDelegate(this);

    m_searchTextField->installEventFilter(this);
    m_searchSubscription = connect(m_searchTextField, &QLineEdit::textChanged, this, &TVXQuickOpenWindowController::searchTextChanged);
    connect(m_searchTableView, &QTableView::doubleClicked, this, &TVXQuickOpenWindowController::performQuickOpenSelection);
    connect(m_searchTableView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TVXQuickOpenWindowController::tableViewSelectionDidChange);
    setTableViewHeight(0);
}

TVXQuickOpenWindowController::~TVXQuickOpenWindowController()
{
    m_searchService->setDelegate(nullptr);
}

void TVXQuickOpenWindowController::updateScopes(const QStringList& rootUrls)
{
    m_rootUrls = rootUrls;
    m_searchService->updateScopes(rootUrls);
}

QPoint TVXQuickOpenWindowController::parentWindowLocation(const QWidget* window)
{
    const QRect frame = window->frameGeometry();
    return QPoint(frame.x() + frame.width() / 2, frame.y() + 22);
}

void TVXQuickOpenWindowController::showWindowWithParentWindowLocation(QPoint location)
{
    m_initialLocation = location;
    placeWindow();
    show();
    raise();
    activateWindow();
    m_searchTextField->setFocus();
    m_searchTextField->selectAll();
}

void TVXQuickOpenWindowController::placeWindow()
{
    // The location is where the panel's top edge is centred; the panel keeps its size and
    // stays on the screen of that point, so the search field is always in sight.
    layout()->activate();
    QPoint topLeft(m_initialLocation.x() - width() / 2, m_initialLocation.y());
    QScreen* screen = QGuiApplication::screenAt(m_initialLocation);
    if (!screen)
        screen = this->screen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        topLeft.setX(std::clamp(topLeft.x(), area.left(), std::max(area.left(), area.right() + 1 - width())));
        topLeft.setY(std::clamp(topLeft.y(), area.top(), std::max(area.top(), area.bottom() + 1 - height())));
    }
    move(topLeft);
}

void TVXQuickOpenWindowController::unhookAndClose()
{
    m_unhooked = true;
    disconnect(m_searchSubscription);
    m_searchTextField->removeEventFilter(this);
    m_searchTableView->disconnect(this);
    m_searchTableView->selectionModel()->disconnect(this);
    m_searchService->setDelegate(nullptr);
    m_delegate = nullptr;
    close();
}

// --- Typing -------------------------------------------------------------------------

void TVXQuickOpenWindowController::searchTextChanged(const QString& text)
{
    const QString trimmed = trim(text);
    m_searchResults.clear();
    if (numberOfRows() > 0)
        m_searchTableView->scrollToTop();
    m_currentSearchText = trimmed;
    if (trimmed.size() < 2) {
        reloadTable();
        adjustTableHeight();
        return;
    }
    m_searchService->searchWithPattern(trimmed);
}

void TVXQuickOpenWindowController::searchDidStartWithQueryString(const QString&)
{
    m_searchResults.clear();
}

void TVXQuickOpenWindowController::searchDidUpdateWithResult(const QList<QuickOpenSearchResult>& results)
{
    m_searchResults = results;
}

void TVXQuickOpenWindowController::searchDidFinishWithResult(const QList<QuickOpenSearchResult>& results)
{
    m_searchResults = results;
    adjustTableHeight();
    reloadTable();
    calibrateRowSelectionColor();
    // A window manager may have moved a panel that grew; a new height is placed anew.
    if (isVisible())
        placeWindow();
}

void TVXQuickOpenWindowController::reloadTable()
{
    // A reload keeps the selected row where the new list still has it.
    const int selected = selectedRow();
    m_model->reload(m_searchResults, m_currentSearchText, m_rootUrls);
    if (selected >= 0 && selected < numberOfRows())
        m_searchTableView->selectionModel()->select(m_model->index(selected, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// --- The table ----------------------------------------------------------------------

int TVXQuickOpenWindowController::numberOfRows() const
{
    return m_model->rowCount();
}

double TVXQuickOpenWindowController::tableHeightFor(qsizetype results, double rowHeight)
{
    const double n = double(std::min<qsizetype>(results, MaxCountedResults));
    return results < VisibleRows + 1 ? n * rowHeight + 2.0 * n : VisibleRows * rowHeight + 2.0 * n;
}

void TVXQuickOpenWindowController::adjustTableHeight()
{
    setTableViewHeight(tableHeightFor(m_searchResults.size(), m_rowHeight));
}

void TVXQuickOpenWindowController::setTableViewHeight(double height)
{
    const int pixels = int(std::lround(height));
    m_searchTableView->setFixedHeight(pixels);
    m_searchTableView->setVisible(pixels > 0);
}

double TVXQuickOpenWindowController::tableViewHeight() const
{
    return m_searchTableView->isHidden() ? 0.0 : double(m_searchTableView->height());
}

int TVXQuickOpenWindowController::selectedRow() const
{
    const QModelIndexList rows = m_searchTableView->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TVXQuickOpenWindowController::selectRow(int row)
{
    if (row < 0 || row >= numberOfRows())
        return;
    const QModelIndex index = m_model->index(row, 0);
    m_searchTableView->scrollTo(index);
    m_searchTableView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TVXQuickOpenWindowController::moveUp()
{
    const int rows = numberOfRows();
    if (rows == 0)
        return;
    const int row = selectedRow();
    selectRow(row <= 0 ? rows - 1 : row - 1);
}

void TVXQuickOpenWindowController::moveDown()
{
    const int rows = numberOfRows();
    if (rows == 0)
        return;
    const int row = selectedRow();
    selectRow(row < 0 || row + 1 >= rows ? 0 : row + 1);
}

void TVXQuickOpenWindowController::tableViewSelectionDidChange()
{
    calibrateRowSelectionColor();
    // Typing goes on in the field.
    m_searchTextField->setFocus();
    m_searchTextField->end(false);
}

void TVXQuickOpenWindowController::calibrateRowSelectionColor()
{
    // Rows take their colours from their selection state when painted.
    m_searchTableView->viewport()->update();
}

TVXQuickOpenTableCellView* TVXQuickOpenWindowController::cellAtRow(int row) const
{
    if (row < 0 || row >= numberOfRows())
        return nullptr;
    return m_cellDelegate->cellForIndex(m_model->index(row, 0), row == selectedRow());
}

QString TVXQuickOpenWindowController::highlightedStringForDisplayName(const QString& name) const
{
    return TVXQuickOpenTableCellView::highlightedHtml(name, quickOpenHighlightRanges(name, m_currentSearchText), highlightColor());
}

void TVXQuickOpenWindowController::performQuickOpenSelection()
{
    // The row as shown: the list may have been emptied by typing since the last reload.
    const int row = selectedRow();
    const QString path = row >= 0 && row < numberOfRows() ? m_model->results().at(row).fullPath() : QString();
    closeToParentWindow();
    if (!path.isEmpty() && m_delegate)
        m_delegate->pathDidSelectForQuickOpen(path);
}

void TVXQuickOpenWindowController::closeToParentWindow()
{
    close();
    if (QWidget* parent = parentWidget(); parent && parent->window()->isVisible())
        parent->window()->activateWindow();
}

// --- Events -------------------------------------------------------------------------

bool TVXQuickOpenWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_searchTextField && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Up:
            moveUp();
            return true;
        case Qt::Key_Down:
            moveDown();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            performQuickOpenSelection();
            return true;
        case Qt::Key_Escape:
            closeToParentWindow();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TVXQuickOpenWindowController::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    // A frameless panel: a hairline keeps it apart from the window below.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

bool TVXQuickOpenWindowController::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowActivate:
        placeWindow();
        break;
    case QEvent::WindowDeactivate:
        // Clicking elsewhere closes the panel.
        if (isVisible())
            close();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

} // namespace penwick
