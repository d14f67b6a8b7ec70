#pragma once

#include <QByteArray>
#include <QList>

namespace penwick::gfmblocks {

// What the block cache of the GFM renderer needs to know of link reference definitions
// ("[label]: destination 'title'"). A definition acts across the whole document: a block
// parsed on its own needs the definitions of the rest, and a changed definition changes every
// block that names its label. Definitions are kept as the renderer finds them: lines of
// definitions (each line ending with "\n") that the parser turned into no node.

// Labels, folded for a search in block texts. A label found in a block's folded text may be
// referred to there; one not found is not.
struct LabelSet {
    QList<QByteArray> labels;
    bool all = false; // the labels cannot be told: any text with a bracket may refer to them

    bool isEmpty() const { return !all && labels.isEmpty(); }
    // Whether the block text `from`..`to` (UTF-8) may name one of the labels.
    bool mayBeNamedIn(const char* from, const char* to) const;
    // Whether a label may be in both sets.
    bool overlaps(const LabelSet& other) const;
};

// `from`..`to` (UTF-8) as labels are compared, loosely: ASCII letters lower-cased, the few other
// characters whose case folding is plain ASCII (ß, ſ, the Kelvin sign, the ff-ligatures) folded,
// white space and ">" (of block quotes around a label that runs over lines) left out. A block
// names a label only if its folded text holds the label's.
QByteArray foldedForLabels(const char* from, const char* to);

// The labels `definitions` defines.
LabelSet definedLabels(const QByteArray& definitions);

// The labels whose meaning may differ between the definitions `before` and `after`.
LabelSet changedLabels(const QByteArray& before, const QByteArray& after);

// Whether the lines `from`..`to` of a block (UTF-8) might hold a definition inside the block,
// where the tree shows no trace of it (at the start of a paragraph, in a list item or a quote).
bool mayHoldDefinition(const char* from, const char* to);

} // namespace penwick::gfmblocks
