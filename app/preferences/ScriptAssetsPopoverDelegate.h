#pragma once

#include "Models/ScriptAssetItem.h"

#include <QString>

namespace penwick {

// What the two popovers of the Script Assets pane tell the pane.
class ScriptAssetsPopoverDelegate {
public:
    virtual ~ScriptAssetsPopoverDelegate() = default;
    // A new asset was stored.
    virtual void didAddSite(const ScriptAssetItem& item) = 0;
    // The update callback was saved.
    virtual void didAddCallbackJS(const QString& script) = 0;
};

} // namespace penwick
