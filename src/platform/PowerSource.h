#pragma once

#include "platform/BatteryInfo.h"

#include <optional>

// Where the machine's battery figures come from.
class PowerSource {
public:
    virtual ~PowerSource() = default;

    // nullopt when the machine has no battery of its own.
    virtual std::optional<BatteryInfo> battery() = 0;
};
