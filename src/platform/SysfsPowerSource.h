#pragma once

#include "platform/PowerSource.h"
#include "platform/PowerSupplyReader.h"

// PowerSource over /sys/class/power_supply.
class SysfsPowerSource final : public PowerSource {
public:
    explicit SysfsPowerSource(QString sysRoot = QStringLiteral("/sys")) : m_reader(std::move(sysRoot)) {}

    std::optional<BatteryInfo> battery() override { return m_reader.battery(); }

private:
    PowerSupplyReader m_reader;
};
