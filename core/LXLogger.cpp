#include "LXLogger.h"

#include <cstdio>

namespace penwick {

void LXLogger::error(const QString& message)
{
    const QByteArray line = "Error: " + message.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    // Seen when it happens, also when standard output is a file or a pipe.
    std::fflush(stdout);
}

void LXLogger::warning(const QString&) {}
void LXLogger::debug(const QString&) {}
void LXLogger::critical(const QString&) {}
void LXLogger::info(const QString&) {}

LXLogger& log()
{
    static LXLogger logger;
    return logger;
}

} // namespace penwick
