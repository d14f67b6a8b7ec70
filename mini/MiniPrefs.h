#pragma once

#include <QString>

namespace penwick {

// PenwickMini's own settings keys.
class MiniPrefs {
public:
    // Popover size factor: 340·x by 400·x.
    static inline const QString WINDOW_SIZE_RATIO = QStringLiteral("miniSizeRatio");
};

} // namespace penwick
