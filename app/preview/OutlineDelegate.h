#pragma once

#include "preview/OutlineRange.h"

#include <QString>

namespace penwick {

// Told by the outline popovers which heading the user chose (the document window).
class OutlineDelegate {
public:
    virtual ~OutlineDelegate() = default;
    // A row of the editor outline.
    virtual void didSelectEditorOutlineRange(const OutlineRange& range) = 0;
    // A link of the preview outline: the heading's anchor id and its entry.
    virtual void didSelectPreviewOutline(const QString& anchorId, const OutlineRange& range) = 0;
};

} // namespace penwick
