#pragma once

#include "LXLogger.h"

namespace penwick {

// PenwickMini's one logger, made on first use.
LXLogger& miniLog();

} // namespace penwick
