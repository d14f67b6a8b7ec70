#pragma once

#include <QString>

#include <optional>

namespace penwick {

// Runs shell command lines.
class TVXTaskService {
public:
    // Runs `commandLine` through "/bin/sh -c" and answers what it wrote to standard output
    // (standard error and input stay the application's own). Blocks until the output ends.
    // A command that prints nothing (or cannot run) gives ""; output that is not UTF-8 gives none.
    static std::optional<QString> runCommand(const QString& commandLine);
};

} // namespace penwick
