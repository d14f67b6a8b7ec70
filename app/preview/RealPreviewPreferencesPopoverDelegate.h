#pragma once

#include "Models/RealPreviewItem.h"

namespace penwick {

// What the add-site popover tells the Real Preview pane.
class RealPreviewPreferencesPopoverDelegate {
public:
    virtual ~RealPreviewPreferencesPopoverDelegate() = default;
    // The new site is stored (its write committed); it is not the chosen one.
    virtual void didAddSite(const RealPreviewItem& item) = 0;
};

} // namespace penwick
