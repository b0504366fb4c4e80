#pragma once

#include "platform/CpuClusters.h"

#include <QString>

#include <optional>
#include <string_view>

// Finds the efficiency and performance CPUs under <sysRoot>:
// - Intel hybrid: devices/cpu_atom/cpus (efficiency) and devices/cpu_core/cpus
//   (performance), CPU lists such as "0-15" and "16-23";
// - otherwise per-CPU devices/system/cpu/cpuN/cpu_capacity (ARM big.LITTLE):
//   the CPUs of the lowest capacity are the efficiency ones, the rest the
//   performance ones, provided at least two capacities occur;
// - otherwise nothing is known.
class CpuTopologyReader {
public:
    explicit CpuTopologyReader(QString sysRoot);

    std::optional<CpuClusters> read() const;

    // Parses a kernel CPU list ("0-3,8,10-11"). Absent when malformed or
    // naming an implausible CPU number.
    static std::optional<std::vector<int>> parseCpuList(std::string_view text);

private:
    std::optional<CpuClusters> readHybridLists() const;
    std::optional<CpuClusters> readCapacities() const;

    QString m_sysRoot;
};
