#pragma once

#include "LXLogger.h"

namespace penwick {

// The editor's own logger, apart from the framework's.
LXLogger& appLog();

} // namespace penwick
