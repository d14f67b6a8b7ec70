#pragma once

#include <QFrame>
#include <QStringList>

class QLabel;
class QToolButton;

namespace penwick {

// A strip above the editor that says what is wrong with the editor theme it shows: each
// mistake with its line in the theme file, or why the file could not be read. The rest of a
// theme with mistakes still applies. Hidden while the theme is sound or once closed.
class ThemeErrorsBar : public QFrame {
    Q_OBJECT
public:
    explicit ThemeErrorsBar(QWidget* parent = nullptr);

    // The mistakes found in the theme at `path` as the highlighter words them ("(Line 3): ...").
    // Answers whether they are news (another theme, or other mistakes than shown last).
    bool showMistakes(const QString& path, const QStringList& mistakes);
    // The theme at `path` could not be read.
    bool showUnreadable(const QString& path, const QString& reason);
    // The theme applied without a mistake.
    void clear();

    QString text() const;
    QToolButton* closeButton() const { return m_close; }

private:
    bool show(const QString& path, const QString& text);

    QLabel* m_label = nullptr;
    QToolButton* m_close = nullptr;
    QString m_shownPath;
    QString m_shownText;
};

} // namespace penwick
