#include "shell/AppLogger.h"

namespace penwick {

LXLogger& appLog()
{
    static LXLogger logger;
    return logger;
}

} // namespace penwick
