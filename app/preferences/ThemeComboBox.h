#pragma once

#include <QComboBox>

#include <functional>

namespace penwick {

// The theme and style lists of the Editor and Preview panes. Opening the list reads the theme
// folders again first (off the GUI thread), so that a file added meanwhile is in it; the list
// opens once the fresh entries are in.
class ThemeComboBox : public QComboBox {
    Q_OBJECT
public:
    // Refills the entries and then calls its argument, on the GUI thread.
    using Refresher = std::function<void(std::function<void()> whenDone)>;

    explicit ThemeComboBox(QWidget* parent = nullptr);

    void setRefresher(Refresher refresher) { m_refresher = std::move(refresher); }
    void showPopup() override;

private:
    Refresher m_refresher;
    bool m_refreshing = false;
};

} // namespace penwick
