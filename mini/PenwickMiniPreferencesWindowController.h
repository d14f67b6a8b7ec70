#pragma once

#include <QWidget>

class QKeySequenceEdit;
class QLabel;

namespace penwick {

// PenwickMini's preferences: the recorder of the global shortcut, stored as portable text under
// "penwickMiniShortcut"; the binding follows the key at once. A refused combination shows its
// reason beside the recorder.
class PenwickMiniPreferencesWindowController : public QWidget {
    Q_OBJECT
public:
    explicit PenwickMiniPreferencesWindowController(QWidget* parent = nullptr);

    QKeySequenceEdit* penwickShortcutView() const { return m_recorder; }
    QLabel* errorLabel() const { return m_error; }
    // Shows (or, with an empty text, hides) the binding's error.
    void showShortcutError(const QString& message);

private:
    void record();

    QKeySequenceEdit* m_recorder = nullptr;
    QLabel* m_error = nullptr;
};

} // namespace penwick
