#pragma once

#include <QObject>
#include <QPointer>

class QTextBrowser;
#include <QWidget>

namespace penwick {

// The credits window: the bundled "Components Credits" page in a read-only text view. Ctrl+W
// closes it.
class TVXCreditsWindowController : public QObject {
    Q_OBJECT
public:
    explicit TVXCreditsWindowController(QObject* parent = nullptr);
    ~TVXCreditsWindowController() override;

    QWidget* window() const { return m_window; }
    QTextBrowser* creditsTextView() const { return m_creditsTextView; }

    // Loads the credits into the text view.
    void windowDidLoad();
    void showWindow();
    // The close-tab command while the credits window is active: closes it.
    void performTabClose();

    static QString creditsPath();

private:
    QPointer<QWidget> m_window;
    bool m_placed = false;
    QTextBrowser* m_creditsTextView = nullptr;
};

} // namespace penwick
