#pragma once

#include <QString>

namespace penwick {

// Hears the file the user picked in Quick Open.
class TVXQuickOpenDelegate {
public:
    virtual ~TVXQuickOpenDelegate() = default;
    virtual void pathDidSelectForQuickOpen(const QString& path) = 0;
};

} // namespace penwick
