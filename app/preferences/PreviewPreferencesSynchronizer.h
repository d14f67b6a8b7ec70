#pragma once

#include "preferences/ThemeListLoader.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace penwick {

// Turns the preview's stored style settings into values: the style sheet file, the style
// list and the fixed list of code-highlighting styles. Keeps no state.
class PreviewPreferencesSynchronizer {
public:
    static PreviewPreferencesSynchronizer& sharedInstance();

    // The style file a name or path stands for (user's first, then the shipped one).
    std::optional<QString> stylePathForName(const QString& name) const;
    // The file of "previewStylePreference"; nothing when unset, not a string, or no file.
    std::optional<QString> getPreferredStylePath() const;
    // Every preview style, shipped then the user's, sorted descending by name, handed to
    // `completion` later on the main thread unless `requester` is gone by then.
    void getStyles(QObject* requester, ThemeListCompletion completion) const;
    // The seven code-highlighting style names, in their fixed order.
    static QStringList getSyntaxStyles();
};

} // namespace penwick
