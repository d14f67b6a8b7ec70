#pragma once

#include <QString>

namespace penwick {

// Registers the bundled "Defaults" settings file with the process's defaults store.
// Both programs call it once at start-up; false (logged) when the file is missing or broken.
bool registerBundledDefaults();

} // namespace penwick
