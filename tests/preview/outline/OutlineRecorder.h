#pragma once

#include "preview/OutlineDelegate.h"

#include <QList>
#include <QString>

#include <utility>

namespace penwick::test {

// Keeps every choice an outline popover hands over, in order.
class OutlineRecorder : public OutlineDelegate {
public:
    void didSelectEditorOutlineRange(const OutlineRange& range) override { editorChoices.append(range); }
    void didSelectPreviewOutline(const QString& anchorId, const OutlineRange& range) override
    {
        previewChoices.append({ anchorId, range });
    }

    QList<OutlineRange> editorChoices;
    QList<std::pair<QString, OutlineRange>> previewChoices;
};

} // namespace penwick::test
