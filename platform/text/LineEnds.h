#pragma once

#include <QByteArray>
#include <QString>

namespace penwick::platform {

// The line ends of a file shown with "\n" line ends: the file's most frequent kind, and, for a
// file that mixes kinds, the kind of each line as one byte per line (not a second copy of the
// text). Kinds: "\n", "\r\n", "\r", U+2028 and U+2029.
class LineEnds {
public:
    LineEnds() = default;
    // The line ends of `fileText`, in order.
    static LineEnds ofText(const QString& fileText);

    // "\n", "\r\n", "\r" or U+2028: what new lines get (the most frequent kind, the first one
    // met on a tie; "\n" for a text without line ends).
    QString dominant() const;
    bool isMixed() const { return !m_kinds.isEmpty(); }
    qsizetype recordedLines() const { return m_kinds.size(); }

    // Lines [line, line + removed) went; `added` new lines came in their place, with the
    // dominant kind.
    void replaceLines(qsizetype line, qsizetype removed, qsizetype added);

    // `text` (with "\n" line ends) with the file's line ends.
    QString apply(const QString& text) const;

private:
    enum Kind : char { LF, CRLF, CR, LS, PS };
    static QString textOf(Kind kind);

    Kind m_dominant = LF;
    QByteArray m_kinds; // empty unless the file mixes kinds
};

} // namespace penwick::platform
