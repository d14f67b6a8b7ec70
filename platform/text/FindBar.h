#pragma once

#include <QWidget>

class QLineEdit;
class QLabel;

namespace penwick::platform {

class TextView;

// The search strip a text view shows along its bottom edge (Ctrl+F): a search field,
// previous/next buttons and a close button. Return finds the next match, Shift+Return the
// previous one, Escape closes the bar and gives the focus back to the view.
class FindBar : public QWidget {
    Q_OBJECT
public:
    explicit FindBar(TextView* view);

    QLineEdit* searchField() const { return m_field; }
    QString searchText() const;
    // Shows the result of the last search ("" when found, "Not found" otherwise).
    QString status() const;
    void findNext();
    void findPrevious();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void find(bool backwards);

    TextView* m_view;
    QLineEdit* m_field;
    QLabel* m_status;
};

} // namespace penwick::platform
