#pragma once

#include <QWidget>

class QLineEdit;
class QLabel;
class QTimer;
class QToolButton;

namespace penwick::platform {

class TextSearch;
class TextView;

// The search strip a text view shows along its bottom edge (Ctrl+F): a search field with the
// number of matches, a case switch, previous/next buttons and a close button; below them, for
// a view that can be edited, a replacement field with Replace and Replace All. Return finds
// the next match (Shift+Return the previous one), Return in the replacement field replaces,
// Escape closes the bar and gives the focus back to the view. The searching and replacing
// itself is the view's (TextView, TextSearch); the bar only gathers what to do.
class FindBar : public QWidget {
    Q_OBJECT
public:
    explicit FindBar(TextView* view);

    QLineEdit* searchField() const { return m_field; }
    QLineEdit* replaceField() const { return m_replaceField; }
    QToolButton* caseSwitch() const { return m_case; }
    QToolButton* replaceButton() const { return m_replace; }
    QToolButton* replaceAllButton() const { return m_replaceAll; }
    QString searchText() const;
    bool isCaseSensitive() const;
    void setCaseSensitive(bool sensitive);
    // The matches of the search: "" without a search, "Not found", "3 matches", or "2 of 3"
    // when the selection is the second of three.
    QString status() const;
    void findNext();
    void findPrevious();
    void replace();
    void replaceAll();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    TextSearch search() const;
    void find(bool backwards);
    void updateStatus();
    void scheduleStatusUpdate();

    TextView* m_view;
    QLineEdit* m_field;
    QLabel* m_status;
    QToolButton* m_case;
    QWidget* m_replaceRow;
    QLineEdit* m_replaceField;
    QToolButton* m_replace;
    QToolButton* m_replaceAll;
    QTimer* m_statusUpdate;
};

} // namespace penwick::platform
