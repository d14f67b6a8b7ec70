#pragma once

#include <QColor>
#include <QIcon>
#include <QList>
#include <QWidget>

class QLabel;

namespace penwick {

// A run of UTF-16 units of a name: [start, start + length).
struct QuickOpenTextRange {
    int start = 0;
    int length = 0;
    bool operator==(const QuickOpenTextRange&) const = default;
};

// A result row of Quick Open and of the tab switcher: an icon beside a title line and a
// path line.
class TVXQuickOpenTableCellView : public QWidget {
    Q_OBJECT
public:
    explicit TVXQuickOpenTableCellView(QWidget* parent = nullptr);

    QLabel* textField() const { return m_textField; }
    QLabel* imageView() const { return m_imageView; }
    QLabel* pathTextField() const { return m_pathTextField; }

    // `name` as rich text with the given runs on a `highlight` background.
    static QString highlightedHtml(const QString& name, const QList<QuickOpenTextRange>& ranges, const QColor& highlight);
    // Shows `name` with the given runs on a `highlight` background.
    void setHighlightedText(const QString& name, const QList<QuickOpenTextRange>& ranges, const QColor& highlight);
    // The icon beside the text; a null icon hides it.
    void setIcon(const QIcon& icon);
    // Selected rows draw both lines white; others a black title and a mid-grey path.
    void setSelectedAppearance(bool selected);
    bool hasSelectedAppearance() const { return m_selected; }

    static constexpr int IconSize = 16;
    // The layout, which Quick Open's rows also paint by.
    static constexpr int HorizontalMargin = 6;
    static constexpr int VerticalMargin = 2;
    static constexpr int Spacing = 6;
    static constexpr double PathFontScale = 0.85;

private:
    QLabel* m_textField;
    QLabel* m_imageView;
    QLabel* m_pathTextField;
    bool m_selected = false;
};

} // namespace penwick
