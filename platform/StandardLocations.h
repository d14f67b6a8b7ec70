#pragma once

#include <QString>

namespace penwick::platform {

// The per-user data folder shared by both programs (~/.local/share/<appName>): the one
// source of that folder. Nothing is created or checked; whoever writes there makes the
// folder. Empty only when the platform names no data location at all.
QString applicationDataDirectory(const QString& appName);

// The folder of the settings file (~/.config/<appName>).
QString configDirectory(const QString& appName);

// The per-user runtime folder ($XDG_RUNTIME_DIR, else the temporary folder), created when
// missing: where a program's single-instance lock and socket live.
QString runtimeDirectory();

// The read-only resources shipped with the programs: $PENWICK_RESOURCES when set,
// else share/penwick beside the executable's bin/ folder (build and installed trees alike).
QString resourcesDirectory();

} // namespace penwick::platform
