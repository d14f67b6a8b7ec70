#pragma once

#include <QString>

namespace penwick {

// Leveled logger. Only errors are written ("Error: <message>\n" on standard
// output); the other levels accept a message and drop it.
class LXLogger {
public:
    LXLogger() = default;
    virtual ~LXLogger() = default;

    virtual void error(const QString& message);
    virtual void warning(const QString& message);
    virtual void debug(const QString& message);
    virtual void critical(const QString& message);
    virtual void info(const QString& message);
};

// The framework's own logger, created on first use.
LXLogger& log();

} // namespace penwick
