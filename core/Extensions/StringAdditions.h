#pragma once

#include "Extensions/FileManagerAdditions.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace penwick {

// Two ways of counting positions in a text meet here:
// - UTF-16 units, the positions of QString and of the editor (QTextCursor);
//   a character outside the Basic Multilingual Plane takes two;
// - characters, i.e. extended grapheme clusters (a letter with its combining
//   marks, a whole emoji sequence, CR LF), found with ICU's break iterator.

// A range in UTF-16 units.
struct UTF16Range {
    qsizetype location = 0;
    qsizetype length = 0;

    qsizetype end() const { return location + length; }
    bool operator==(const UTF16Range&) const = default;
};

// A half-open range of character indices: [lowerBound, upperBound).
struct CharacterRange {
    qsizetype lowerBound = 0;
    qsizetype upperBound = 0;

    qsizetype count() const { return upperBound - lowerBound; }
    bool operator==(const CharacterRange&) const = default;
};

// UTF-16 offsets of every character start in order, followed by the text's length
// ({0} for the empty text).
QList<qsizetype> characterBoundaries(const QString& text);

// Number of characters (grapheme clusters) in the text.
qsizetype characterCount(const QString& text);

// The character range covering a UTF-16 range. A location or end past the text is
// cut back to the end of the text (a location beyond it gives the empty range at
// the end). Nothing when either end falls inside a character (in a surrogate pair,
// between a letter and its combining mark, between CR and LF).
std::optional<CharacterRange> rangeFromNSRange(const QString& text, UTF16Range range);

// Whether rangeFromNSRange would give a range: both ends (cut back to the text in the same way)
// fall on character boundaries. It looks only near the two ends, so its cost does not grow with
// the text: the check for the typing path.
bool isOnCharacterBoundaries(const QString& text, UTF16Range range);

// The UTF-16 range covering a character range. Bounds past the last character are
// cut back to the end of the text; an upper bound below the lower one gives an
// empty range at the lower bound.
UTF16Range NSRangeFromRange(const QString& text, CharacterRange range);

// ---- Characters ----------------------------------------------------------------
// A "character" below is the QString of one grapheme cluster.

// The text with its first character capitalised (title case, so "ß" becomes "Ss");
// the rest is unchanged. The empty text stays empty.
QString capitalizeFirst(const QString& text);

// The pieces between occurrences of `character`, empty pieces dropped: "abc" gives
// ["abc"], "" gives [], ",a,,b," split at "," gives ["a", "b"]. Characters are
// compared whole and canonically ("e" never splits the "e" of an "e" with a
// combining accent). splitAt() and split() are the same: a separator of several
// characters splits at that run of characters; an empty one splits nothing.
QStringList splitAt(const QString& text, const QString& character);
QStringList split(const QString& text, const QString& separator);

// The character at character index `index`; "" when the index lies outside the text.
QString subscript(const QString& text, qsizetype index);
// The text from character lowerBound up to (not including) upperBound, bounds cut
// back to the text; "" for an inverted range.
QString subscript(const QString& text, CharacterRange range);

// ---- Trimming and replacing ------------------------------------------------------

// Without leading and trailing white space and line breaks: Unicode separators
// (Zs, Zl, Zp), U+0009 to U+000D and U+0085. trimWhiteSpace() is the same.
QString trim(const QString& text);
QString trimWhiteSpace(const QString& text);

// [leading run of white space (Zs and tab; line breaks are not included), rest].
QStringList stringsByTrimmingLeadingWhitespace(const QString& text);

// Every occurrence of `target` replaced, literal and case-sensitive. An empty
// target changes nothing.
QString replace(const QString& text, const QString& target, const QString& replacement);

// ---- Paths -------------------------------------------------------------------------
// Pure string arithmetic on "/"-separated paths: no tilde expansion, no resolution
// of ".", ".." or links, no file-system access (except where said).

// "/tmp/a/" gives ["/", "tmp", "a", "/"]: a leading separator gives a first "/", a
// trailing one a last "/", repeated separators give no empty components.
QStringList pathComponents(const QString& path);
// The components joined by single separators (the inverse of pathComponents).
QString pathWithComponents(const QStringList& components);

// `path` written relative to the folder `base`, comparing components exactly
// (case-sensitive): "/u/a/img/x.png" against "/u/a" gives "img/x.png", against
// "/u/b" "../a/img/x.png", against "/u/a/" "../img/x.png"; equal paths give "".
QString stringWithPathRelativeTo(const QString& path, const QString& base);

// "/tmp/scratch.tiff" gives "scratch.tiff"; "/tmp/" gives "tmp"; "/" gives "/".
QString lastPathComponent(const QString& path);
// "/tmp/scratch.tiff" and "/tmp/lock/" give "/tmp"; "/tmp" and "/" give "/";
// "scratch.tiff" gives "".
QString stringByDeletingLastPathComponent(const QString& path);
QString parentPath(const QString& path); // the same
// The last component without its extension: "/x/notes.final.md" gives "notes.final".
QString fileName(const QString& path);
// Text after the last dot of the last component: "tiff"; "" when there is none or the
// name only begins with a dot.
QString fileExtension(const QString& path);
// One separator between the parts: "/tmp" or "/tmp/" with "scratch.tiff" give
// "/tmp/scratch.tiff"; "" with "scratch.tiff" gives "scratch.tiff".
QString appendPathComponent(const QString& path, const QString& component);
// A dot and the extension after the last component, trailing separators removed
// first: "/tmp/" with "tiff" gives "/tmp.tiff". A path with no name to extend (empty
// or only separators), an empty extension or one holding a separator: the path
// unchanged.
QString appendPathExtension(const QString& path, const QString& extension);
// "/tmp/scratch.tiff" gives "/tmp/scratch", "scratch..tiff" "scratch.", ".tiff"
// stays, "/tmp/" gives "/tmp".
QString stringByDeletingPathExtension(const QString& path);
// A leading "~" or "~user" becomes that user's home folder; other paths are unchanged.
QString stringByExpandingTildeInPath(const QString& path);
// A leading home-folder path becomes "~".
QString stringByAbbreviatingWithTildeInPath(const QString& path);

// A file URL for the path; a relative path is taken from the current folder, and an
// existing folder gets a trailing separator. Invalid for the empty path.
QUrl asFileURL(const QString& path);

// Shows the item selected in the desktop's file manager (see revealInFileManager).
void showInFinder(const QString& path);

// ---- Files ---------------------------------------------------------------------------

// Writes the text as UTF-8, creating missing folders and replacing an existing file.
// Atomically (the default), the text goes to a temporary file in the same folder
// that then replaces the old one, so a failed write leaves the old file as it was.
// A path naming a folder is refused and the folder left alone.
[[nodiscard]] std::optional<FileError> writeToFile(const QString& text, const QString& path, bool atomically = true);

} // namespace penwick
