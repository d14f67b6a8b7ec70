#pragma once

#include "Extensions/WordFormatMenuItem.h"

namespace penwick {

// Prefixes of a line item that stand for more than themselves.
inline const QString kNumberedListTemplate = QStringLiteral("%lu. "); // each line gets its number
inline const QString kShiftRightTemplate = QStringLiteral("=>");      // indent by a tab
inline const QString kShiftLeftTemplate = QStringLiteral("<=");       // un-indent

namespace textformat {

// Prefixes every line the selections touch (numbered from 1 per selection for
// the numbered template), or the cursor's line when nothing is selected.
FormatPlan planLineDecoration(const QString& text, const std::vector<Range>& selections, const QString& prefix,
                              qsizetype suffixLength, qsizetype endCursorOffset, bool skipEmptyLines);

// Takes one leading space or tab from each shiftable line of the first
// selection, or from the cursor's line.
FormatPlan planShiftLeft(const QString& text, const std::vector<Range>& selections);

// Whether un-indenting may take the first character of `line` (given without
// its terminator).
bool canShiftLine(const QString& line);

} // namespace textformat

// A menu command that puts a prefix at the start of every line the selection
// touches, numbers those lines, or indents or un-indents them.
class LineFormatMenuItem : public WordFormatMenuItem {
    Q_OBJECT
    Q_PROPERTY(bool skipEmptyLines READ skipEmptyLines WRITE setSkipEmptyLines)

public:
    explicit LineFormatMenuItem(QObject* parent = nullptr);
    LineFormatMenuItem(const QString& title, QObject* parent);

    bool skipEmptyLines() const { return m_skipEmptyLines; }
    void setSkipEmptyLines(bool skip) { m_skipEmptyLines = skip; }

    static bool canShiftLine(const QString& line) { return textformat::canShiftLine(line); }

    // An indenting item becomes a tab item on its first use and stays one.
    textformat::FormatPlan plan(const QString& text, const std::vector<textformat::Range>& selections) override;

private:
    bool m_skipEmptyLines = false;
};

} // namespace penwick
