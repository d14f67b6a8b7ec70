#include "MiniLog.h"

namespace penwick {

LXLogger& miniLog()
{
    static LXLogger logger(QStringLiteral("PenwickMini"));
    return logger;
}

} // namespace penwick
