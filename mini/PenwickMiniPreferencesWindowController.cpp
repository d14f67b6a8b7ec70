#include "PenwickMiniPreferencesWindowController.h"

#include "CoreMagicStrings.h"
#include "platform/UserDefaults.h"

#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>

namespace penwick {

namespace {

QKeySequence storedShortcut()
{
    return QKeySequence::fromString(
        platform::UserDefaults::standard().stringForKey(CoreMagicStrings::PENWICK_MINI_SHORTCUT), QKeySequence::PortableText);
}

} // namespace

PenwickMiniPreferencesWindowController::PenwickMiniPreferencesWindowController(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(tr("Penwick Mini Preferences"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* form = new QFormLayout(this);
    // The window grows with a wrapped error text instead of cutting it.
    form->setSizeConstraint(QLayout::SetMinimumSize);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    auto* row = new QHBoxLayout;
    m_recorder = new QKeySequenceEdit(this);
    m_recorder->setObjectName(QStringLiteral("penwickShortcutView"));
    m_recorder->setKeySequence(storedShortcut());
    m_recorder->installEventFilter(this);
    auto* clear = new QPushButton(tr("Clear"), this);
    row->addWidget(m_recorder, 1);
    row->addWidget(clear);
    form->addRow(tr("Show Penwick Mini:"), row);
    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("shortcutErrorLabel"));
    m_error->setWordWrap(true);
    m_error->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_error->setStyleSheet(QStringLiteral("color: #c62828"));
    m_error->hide();
    form->addRow(m_error);
    connect(m_recorder, &QKeySequenceEdit::editingFinished, this, &PenwickMiniPreferencesWindowController::record);
    connect(clear, &QPushButton::clicked, this, [this] {
        m_recorder->clear();
        platform::UserDefaults::standard().setValue(CoreMagicStrings::PENWICK_MINI_SHORTCUT, QString());
        showShortcutError(QString());
    });
    // The window holds the keyboard at first, not the recorder: the shortcut keeps working
    // until the user clicks (or tabs) into the recorder.
    setFocusPolicy(Qt::StrongFocus);
    setFocus();
}

bool PenwickMiniPreferencesWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_recorder) {
        if (event->type() == QEvent::FocusIn)
            setRecording(true);
        else if (event->type() == QEvent::FocusOut || event->type() == QEvent::Hide)
            setRecording(false);
    }
    return QWidget::eventFilter(watched, event);
}

void PenwickMiniPreferencesWindowController::setRecording(bool recording)
{
    if (m_recording == recording)
        return;
    m_recording = recording;
    emit recordingChanged(recording);
}

void PenwickMiniPreferencesWindowController::record()
{
    // Leaving the recorder below ends its editing once more.
    if (m_storing)
        return;
    const QScopedValueRollback storing(m_storing, true);
    // One combination only: the recorder keeps collecting keys otherwise.
    QKeySequence sequence = m_recorder->keySequence();
    if (sequence.count() > 1)
        sequence = QKeySequence(sequence[0]);
    if (sequence.isEmpty()) {
        // Modifiers pressed and let go: no combination, so the stored one stays.
        m_recorder->setKeySequence(storedShortcut());
    } else {
        m_recorder->setKeySequence(sequence);
        showShortcutError(QString());
        platform::UserDefaults::standard().setValue(CoreMagicStrings::PENWICK_MINI_SHORTCUT,
                                                    sequence.toString(QKeySequence::PortableText));
    }
    // One combination per recording: the binding takes over again (and tells of a refusal).
    if (m_recorder->hasFocus())
        setFocus();
}

void PenwickMiniPreferencesWindowController::showShortcutError(const QString& message)
{
    m_error->setText(message);
    m_error->setVisible(!message.isEmpty());
    fitToContents();
}

void PenwickMiniPreferencesWindowController::fitToContents()
{
    // A wrapped label needs the height for the window's width; a top-level layout asks only the
    // label's width-free hint, so the height is set here.
    if (QLayout* form = layout()) {
        form->activate();
        const int width = qMax(this->width(), form->minimumSize().width());
        const int height = form->hasHeightForWidth() ? form->totalHeightForWidth(width) : form->totalMinimumSize().height();
        setMinimumHeight(height);
        if (this->height() < height)
            resize(width, height);
    }
}

} // namespace penwick
