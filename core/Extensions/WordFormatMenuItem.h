#pragma once

#include "platform/text/TextRange.h"

#include <QAction>
#include <QString>

#include <optional>
#include <vector>

namespace penwick {

namespace platform {
class TextView;
}

// The edits a format command makes, worked out on the text alone, so that the
// menu items can be checked without a view; the view only applies them.
namespace textformat {

// A span of text in UTF-16 code units.
using Range = platform::TextRange;

// How the view applies the edits of a plan.
enum class EditPath {
    Typing,   // through the view's own insertion, replacing the range
    Undoable, // through the undoable insertion that also restores the selection on undo
    Whole,    // one change of the whole range, announced to the view first
};

struct Edit {
    Range range; // in the text as the edits before this one left it
    QString text;
    bool operator==(const Edit&) const = default;
};

struct FormatPlan {
    EditPath path = EditPath::Undoable;
    std::vector<Edit> edits;
    bool setsSelection = false;
    std::vector<Range> selections;   // set after the edits
    bool selectionsWithUndo = false; // through the undoable selection setter
};

// The text with the plan's edits applied in order.
QString applied(QString text, const FormatPlan& plan);

// The line around a position, over every line terminator of plain text.
struct Line {
    qsizetype start = 0;       // its first character
    qsizetype contentsEnd = 0; // where its terminator begins, or the text ends
    qsizetype end = 0;         // behind its terminator
};
Line lineAt(const QString& text, qsizetype position);
// From the start of the first line that `range` touches through the end of
// the last one, terminator included; a range that ends right behind a
// terminator does not touch the next line.
Range lineRange(const QString& text, Range range);

// The word whose characters include the one at `position`, if any.
std::optional<Range> wordAt(const QString& text, qsizetype position);

// Selections in text order, as the commands walk them.
std::vector<Range> inTextOrder(std::vector<Range> selections);

FormatPlan planWordDecoration(const QString& text, const std::vector<Range>& selections,
                              const QString& prefix, const QString& suffix, qsizetype endCursorOffset);

// Carries a plan out on a view: edits through the path the plan names, then the selections.
void applyPlan(platform::TextView& view, const FormatPlan& plan);

} // namespace textformat

// A menu command that wraps the word at the cursor, or each selected range,
// between a prefix and a suffix.
class WordFormatMenuItem : public QAction {
    Q_OBJECT
    Q_PROPERTY(QString prefix READ prefix WRITE setPrefix)
    Q_PROPERTY(QString suffix READ suffix WRITE setSuffix)
    Q_PROPERTY(qsizetype endCursorOffset READ endCursorOffset WRITE setEndCursorOffset)

public:
    explicit WordFormatMenuItem(QObject* parent = nullptr);
    WordFormatMenuItem(const QString& title, QObject* parent);

    QString prefix() const { return m_prefix; }
    void setPrefix(const QString& prefix) { m_prefix = prefix; }
    QString suffix() const { return m_suffix; }
    void setSuffix(const QString& suffix) { m_suffix = suffix; }
    qsizetype endCursorOffset() const { return m_endCursorOffset; }
    void setEndCursorOffset(qsizetype offset) { m_endCursorOffset = offset; }

    // The edits this command makes on `text` with `selections` (view order).
    virtual textformat::FormatPlan plan(const QString& text, const std::vector<textformat::Range>& selections);

    // Applies the command to the view's text and selections. Every change goes through the
    // view's undo manager; the caller breaks undo coalescing first when the command must be
    // an undo step of its own.
    void decorateTextView(platform::TextView* view);

private:
    QString m_prefix;
    QString m_suffix;
    qsizetype m_endCursorOffset = 0;
};

} // namespace penwick
