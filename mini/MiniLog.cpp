#include "MiniLog.h"

namespace penwick {

LXLogger& miniLog()
{
    static LXLogger logger;
    return logger;
}

} // namespace penwick
