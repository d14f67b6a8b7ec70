#pragma once

#include <QString>

#include <optional>

namespace penwick {

// One entry of the shadow page's popup: a document open in another program, or the program.
struct ShadowItem {
    QString title;
    QString path;              // file path or web address; the program's executable for its own entry
    QString sourceIdentifier;
    QString sourceAppPath;
    QString toolTip;
    std::optional<bool> isActive;

    bool operator==(const ShadowItem&) const = default;
};

} // namespace penwick
