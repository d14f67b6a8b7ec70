#include "platform/text/FindBar.h"

#include "platform/text/TextSearch.h"
#include "platform/text/TextView.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

namespace penwick::platform {

namespace {

QToolButton* makeButton(QWidget* parent, const QString& text, const QString& toolTip = QString())
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(toolTip);
    return button;
}

} // namespace

FindBar::FindBar(TextView* view) : QWidget(view), m_view(view)
{
    setAutoFillBackground(true);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(6, 3, 6, 3);
    layout->setVerticalSpacing(3);

    m_field = new QLineEdit(this);
    m_field->setPlaceholderText(tr("Find"));
    m_field->setClearButtonEnabled(true);
    m_field->installEventFilter(this);
    m_status = new QLabel(this);
    m_case = makeButton(this, tr("Aa"), tr("Match Case"));
    m_case->setCheckable(true);
    QToolButton* previous = makeButton(this, QStringLiteral("<"), tr("Previous"));
    QToolButton* next = makeButton(this, QStringLiteral(">"), tr("Next"));
    QToolButton* done = makeButton(this, tr("Done"));
    auto* findRow = new QHBoxLayout;
    findRow->addWidget(m_status);
    findRow->addWidget(m_case);
    findRow->addWidget(previous);
    findRow->addWidget(next);
    findRow->addWidget(done);
    layout->addWidget(m_field, 0, 0);
    layout->addLayout(findRow, 0, 1);

    m_replaceField = new QLineEdit(this);
    m_replaceField->setPlaceholderText(tr("Replace"));
    m_replaceField->setClearButtonEnabled(true);
    m_replaceField->installEventFilter(this);
    m_replace = makeButton(this, tr("Replace"), tr("Replace this match and find the next"));
    m_replaceAll = makeButton(this, tr("Replace All"));
    m_replaceRow = new QWidget(this);
    auto* replaceRow = new QHBoxLayout(m_replaceRow);
    replaceRow->setContentsMargins(0, 0, 0, 0);
    replaceRow->addWidget(m_replace);
    replaceRow->addWidget(m_replaceAll);
    replaceRow->addStretch();
    layout->addWidget(m_replaceField, 1, 0);
    layout->addWidget(m_replaceRow, 1, 1);
    layout->setColumnStretch(0, 1);

    m_statusUpdate = new QTimer(this);
    m_statusUpdate->setSingleShot(true);
    m_statusUpdate->setInterval(0);
    connect(m_statusUpdate, &QTimer::timeout, this, &FindBar::updateStatus);

    connect(previous, &QToolButton::clicked, this, &FindBar::findPrevious);
    connect(next, &QToolButton::clicked, this, &FindBar::findNext);
    connect(done, &QToolButton::clicked, m_view, &TextView::hideFindBar);
    connect(m_replace, &QToolButton::clicked, this, &FindBar::replace);
    connect(m_replaceAll, &QToolButton::clicked, this, &FindBar::replaceAll);
    connect(m_field, &QLineEdit::textChanged, this, &FindBar::updateStatus);
    connect(m_case, &QToolButton::toggled, this, &FindBar::updateStatus);
    // The count follows the text and the selection while the bar shows.
    connect(m_view, &TextView::textDidChange, this, &FindBar::scheduleStatusUpdate);
    connect(m_view, &QPlainTextEdit::selectionChanged, this, &FindBar::scheduleStatusUpdate);
}

QString FindBar::searchText() const
{
    return m_field->text();
}

bool FindBar::isCaseSensitive() const
{
    return m_case->isChecked();
}

void FindBar::setCaseSensitive(bool sensitive)
{
    m_case->setChecked(sensitive);
}

QString FindBar::status() const
{
    return m_status->text();
}

TextSearch FindBar::search() const
{
    return TextSearch(m_field->text(), isCaseSensitive() ? Qt::CaseSensitive : Qt::CaseInsensitive);
}

void FindBar::findNext()
{
    find(false);
}

void FindBar::findPrevious()
{
    find(true);
}

void FindBar::find(bool backwards)
{
    m_view->findNext(m_field->text(), backwards, search().caseSensitivity());
    updateStatus();
}

void FindBar::replace()
{
    if (m_view->isReadOnly())
        return;
    m_view->replaceFound(search(), m_replaceField->text());
    updateStatus();
}

void FindBar::replaceAll()
{
    if (m_view->isReadOnly())
        return;
    m_view->replaceAll(search(), m_replaceField->text());
    updateStatus();
}

void FindBar::scheduleStatusUpdate()
{
    if (isVisible())
        m_statusUpdate->start();
}

void FindBar::updateStatus()
{
    m_statusUpdate->stop();
    if (m_field->text().isEmpty()) {
        m_status->clear();
        return;
    }
    const TextSearch current = search();
    const QString text = m_view->string();
    const TextRanges all = current.occurrences(text);
    if (all.isEmpty()) {
        m_status->setText(tr("Not found"));
        return;
    }
    const qsizetype selected = all.indexOf(m_view->selectedRange());
    if (selected >= 0)
        m_status->setText(tr("%1 of %2").arg(selected + 1).arg(all.size()));
    else
        m_status->setText(all.size() == 1 ? tr("1 match") : tr("%1 matches").arg(all.size()));
}

void FindBar::showEvent(QShowEvent* event)
{
    m_replaceRow->setVisible(!m_view->isReadOnly());
    m_replaceField->setVisible(!m_view->isReadOnly());
    updateStatus();
    QWidget::showEvent(event);
}

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_field || watched == m_replaceField) && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (watched == m_replaceField)
                replace();
            else
                find(key->modifiers() & Qt::ShiftModifier);
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            m_view->hideFindBar();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace penwick::platform
