#pragma once

#include <QWidget>

class QKeySequenceEdit;
class QLabel;

namespace penwick {

// PenwickMini's preferences: the recorder of the global shortcut, stored as portable text under
// "penwickMiniShortcut"; the binding follows the key at once. A refused combination shows its
// reason beside the recorder.
//
// While the recorder has the keyboard it records: the global shortcut is to be held off then
// (recordingChanged tells), so that pressing it is recorded rather than taken by the grab. The
// recorder gets the keyboard only when the user gives it, and an empty recording changes
// nothing: only Clear removes the shortcut.
class PenwickMiniPreferencesWindowController : public QWidget {
    Q_OBJECT
public:
    explicit PenwickMiniPreferencesWindowController(QWidget* parent = nullptr);

    QKeySequenceEdit* penwickShortcutView() const { return m_recorder; }
    QLabel* errorLabel() const { return m_error; }
    // Shows (or, with an empty text, hides) the binding's error.
    void showShortcutError(const QString& message);
    bool isRecording() const { return m_recording; }

signals:
    void recordingChanged(bool recording);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void record();
    void setRecording(bool recording);
    void fitToContents();

    QKeySequenceEdit* m_recorder = nullptr;
    QLabel* m_error = nullptr;
    bool m_recording = false;
    bool m_storing = false;
};

} // namespace penwick
