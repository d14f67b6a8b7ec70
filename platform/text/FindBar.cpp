#include "platform/text/FindBar.h"

#include "platform/text/TextView.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace penwick::platform {

FindBar::FindBar(TextView* view) : QWidget(view), m_view(view)
{
    setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 6, 3);
    m_field = new QLineEdit(this);
    m_field->setPlaceholderText(tr("Find"));
    m_field->setClearButtonEnabled(true);
    m_field->installEventFilter(this);
    m_status = new QLabel(this);
    auto* previous = new QToolButton(this);
    previous->setText(QStringLiteral("<"));
    previous->setToolTip(tr("Previous"));
    auto* next = new QToolButton(this);
    next->setText(QStringLiteral(">"));
    next->setToolTip(tr("Next"));
    auto* done = new QToolButton(this);
    done->setText(tr("Done"));
    layout->addWidget(m_field, 1);
    layout->addWidget(m_status);
    layout->addWidget(previous);
    layout->addWidget(next);
    layout->addWidget(done);
    connect(previous, &QToolButton::clicked, this, &FindBar::findPrevious);
    connect(next, &QToolButton::clicked, this, &FindBar::findNext);
    connect(done, &QToolButton::clicked, m_view, &TextView::hideFindBar);
    connect(m_field, &QLineEdit::textChanged, this, [this] { m_status->clear(); });
}

QString FindBar::searchText() const
{
    return m_field->text();
}

QString FindBar::status() const
{
    return m_status->text();
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
    if (m_field->text().isEmpty()) {
        m_status->clear();
        return;
    }
    const bool found = m_view->findNext(m_field->text(), backwards);
    m_status->setText(found ? QString() : tr("Not found"));
}

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
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
