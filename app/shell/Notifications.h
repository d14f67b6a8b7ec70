#pragma once

#include "CoreNotifications.h"

namespace penwick {

class Notifications : public CoreNotifications {
public:
    Notifications() = default;
};

} // namespace penwick
