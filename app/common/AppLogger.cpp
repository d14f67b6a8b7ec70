#include "common/AppLogger.h"

namespace penwick {

LXLogger& appLog()
{
    static LXLogger logger(QStringLiteral("Penwick"));
    return logger;
}

} // namespace penwick
