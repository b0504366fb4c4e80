#pragma once

#include "platform/PowerSource.h"

// Answers with whatever battery the test sets; none by default.
class FakePowerSource final : public PowerSource {
public:
    std::optional<BatteryInfo> battery() override
    {
        ++reads;
        return value;
    }

    std::optional<BatteryInfo> value;
    int reads = 0;
};
