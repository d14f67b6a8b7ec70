#pragma once

#include "CorePrefs.h"

namespace penwick {

// The editor's settings keys: the framework's, plus the shell's own (added with the shell).
class Prefs : public CorePrefs {
public:
    Prefs() = default;
};

} // namespace penwick
