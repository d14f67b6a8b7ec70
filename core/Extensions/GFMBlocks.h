#pragma once

#include <QByteArray>

#include <optional>

namespace penwick::gfmblocks {

// Headings are marked in the tree by two inline markers, one before and one after their
// content, so that they get their ids while the output is converted (MarkdownStringAdditions).
// A marker is a random token that the text does not contain.
struct Markers {
    QByteArray open;
    QByteArray close;
};

struct RenderedDocument {
    QByteArray html; // the top-level blocks' HTML joined, heading markers still in (with ids asked for)
    Markers markers;
};

// Renders the UTF-8 `input` with the renderer flags of GFMFlags. The blocks of the document
// rendered last are kept, so that a render of a slightly different text (typing re-renders
// the whole document) parses only the stretch around the change, plus the blocks elsewhere
// that name a link reference definition that changed. Nothing when the engine gives nothing.
std::optional<RenderedDocument> renderDocument(const QByteArray& input, unsigned flags);

// What the last render parsed: bytes given to the engine (with the definitions that went
// along), and whether the last document's blocks were reused.
struct RenderStats {
    qsizetype parsedBytes = 0;
    bool reused = false;
};
RenderStats lastRenderStats();

} // namespace penwick::gfmblocks
