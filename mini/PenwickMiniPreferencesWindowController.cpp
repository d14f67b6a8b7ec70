#include "PenwickMiniPreferencesWindowController.h"

#include "CoreMagicStrings.h"
#include "platform/UserDefaults.h"

#include <QFormLayout>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QPushButton>
#include <QHBoxLayout>

namespace penwick {

PenwickMiniPreferencesWindowController::PenwickMiniPreferencesWindowController(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(tr("Penwick Mini Preferences"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* form = new QFormLayout(this);
    auto* row = new QHBoxLayout;
    m_recorder = new QKeySequenceEdit(this);
    m_recorder->setObjectName(QStringLiteral("penwickShortcutView"));
    m_recorder->setKeySequence(QKeySequence::fromString(
        platform::UserDefaults::standard().stringForKey(CoreMagicStrings::PENWICK_MINI_SHORTCUT), QKeySequence::PortableText));
    auto* clear = new QPushButton(tr("Clear"), this);
    row->addWidget(m_recorder, 1);
    row->addWidget(clear);
    form->addRow(tr("Show Penwick Mini:"), row);
    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("shortcutErrorLabel"));
    m_error->setWordWrap(true);
    m_error->setStyleSheet(QStringLiteral("color: #c62828"));
    m_error->hide();
    form->addRow(QString(), m_error);
    connect(m_recorder, &QKeySequenceEdit::editingFinished, this, &PenwickMiniPreferencesWindowController::record);
    connect(clear, &QPushButton::clicked, this, [this] {
        m_recorder->clear();
        record();
    });
}

void PenwickMiniPreferencesWindowController::record()
{
    // One combination only: the recorder keeps collecting keys otherwise.
    QKeySequence sequence = m_recorder->keySequence();
    if (sequence.count() > 1)
        sequence = QKeySequence(sequence[0]);
    showShortcutError(QString());
    platform::UserDefaults::standard().setValue(CoreMagicStrings::PENWICK_MINI_SHORTCUT,
                                                sequence.toString(QKeySequence::PortableText));
}

void PenwickMiniPreferencesWindowController::showShortcutError(const QString& message)
{
    m_error->setText(message);
    m_error->setVisible(!message.isEmpty());
}

} // namespace penwick
