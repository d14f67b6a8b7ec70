#pragma once

#include "CoreMagicStrings.h"

namespace penwick {

class MagicStrings : public CoreMagicStrings {
public:
    MagicStrings() = default;
};

} // namespace penwick
