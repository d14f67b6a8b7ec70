#pragma once

// What a drop onto the editor means, worked out without a view: which kind of
// drop a drag carries, which dropped files are images, how image paths are
// written, and which text each selection receives and where the selections
// and the Tab jump land afterwards. The view only carries the plans out.

#include "platform/text/TextRange.h"

#include <QString>
#include <QStringList>
#include <Qt>

#include <optional>
#include <vector>

class QMimeData;

namespace penwick::dragdrop {

// A span of the editor's text in UTF-16 code units.
using Range = platform::TextRange;

// MIME types the editor registers for: file names and links both travel as a
// URI list, then rich text (accepted while moving, refused at the drop) and
// plain text.
QStringList acceptableDragTypes();

// Whether a drag offers any of the acceptable types.
bool offersAcceptableType(const QMimeData* data);

// Only drags that allow copying are taken.
bool allowsCopy(Qt::DropActions possibleActions);

enum class DropKind {
    None,   // nothing the editor takes (rich text only, or no usable entry)
    Files,  // local files: `items` holds their paths, in drop order
    Links,  // other URLs: `items` holds their texts, in drop order
    String, // plain text: `string`
};

struct DropContent {
    DropKind kind = DropKind::None;
    QStringList items;
    QString string;
};

// Files come first, then links, then plain text, as a drag may carry several.
DropContent classify(const QMimeData* data);

// A file is an image when an image reader can read it.
bool isImageFile(const QString& path);

struct SortedFiles {
    QStringList images;
    QStringList others;
};
SortedFiles sortDroppedFiles(const QStringList& paths);

// `path` written relative to the folder `base`, component by component and
// case-sensitively; an empty base leaves the path as it is.
QString relativePath(const QString& path, const QString& base);

// Whether `range` lies inside `text` and neither of its ends falls inside a
// character (a surrogate pair, a letter and its combining mark).
bool isReadableRange(const QString& text, Range range);

// The pending jump a drop leaves behind: Tab at `location` moves the cursor
// `suffixLength` further on.
struct PendingJump {
    qsizetype location = 0;
    qsizetype suffixLength = 0;
    bool operator==(const PendingJump&) const = default;
};

struct ImageDropPlan {
    Range replaced;  // the first selection, replaced by `text`
    QString text;    // every image's Markdown, one after the other
    Range selection; // the first image's alt text
    PendingJump jump;
};

// Images dropped on `selection` of `text`: the selected text becomes the alt
// text of each image. Nothing when the selection cannot be read as text or
// there is no image.
std::optional<ImageDropPlan> planImageDrop(const QString& text, Range selection,
                                           const QStringList& relativePaths);

// The URL of a link drop: the first non-empty entry.
std::optional<QString> linkURL(const QStringList& entries);

struct LinkEdit {
    qsizetype index = 0; // which selection, in text order
    Range range;         // in the text before the drop
    QString replacement;
};

// The links to make, last selection first, so that each range is still valid
// when its turn comes. Selections that cannot be read as text get no link.
std::vector<LinkEdit> planLinkEdits(const QString& text, const std::vector<Range>& selections,
                                    const QString& url);

struct LinkDropOutcome {
    std::vector<Range> selections;  // each link text, or the untouched text
    std::optional<PendingJump> jump; // behind the first link actually made
};

// Where the selections stand after a link drop, from which selections
// actually received their link (`linked[i]` for selection i in text order).
LinkDropOutcome linkDropOutcome(const std::vector<Range>& selections, const QString& url,
                                const std::vector<bool>& linked);

// Selections in text order, as the drops walk them.
std::vector<Range> inTextOrder(std::vector<Range> selections);

} // namespace penwick::dragdrop
