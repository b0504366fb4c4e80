#include "telemetry/HardwareCatalog.h"

#include <QHash>

#include <array>
#include <utility>

namespace {

const std::array<std::pair<QLatin1String, QLatin1String>, 6> kModelNames = {{
    {QLatin1String("MacBookPro"), QLatin1String("MacBook Pro")},
    {QLatin1String("MacBookAir"), QLatin1String("MacBook Air")},
    {QLatin1String("MacStudio"), QLatin1String("Mac Studio")},
    {QLatin1String("MacMini"), QLatin1String("Mac mini")},
    {QLatin1String("MacPro"), QLatin1String("Mac Pro")},
    {QLatin1String("iMac"), QLatin1String("iMac")},
}};

struct Bandwidth {
    QLatin1String family, max, pro, base;
};

const std::array<Bandwidth, 4> kBandwidths = {{
    {QLatin1String("M1"), QLatin1String("400 GB/s"), QLatin1String("200 GB/s"), QLatin1String("68.25 GB/s")},
    {QLatin1String("M2"), QLatin1String("400 GB/s"), QLatin1String("200 GB/s"), QLatin1String("100 GB/s")},
    {QLatin1String("M3"), QLatin1String("300 - 400 GB/s"), QLatin1String("150 GB/s"), QLatin1String("100 GB/s")},
    {QLatin1String("M4"), QLatin1String("410 GB/s"), QLatin1String("273 GB/s"), QLatin1String("150 GB/s")},
}};

int atLeastOne(int count) { return count >= 1 ? count : 4; }

} // namespace

QString HardwareCatalog::modelNameFor(const QString& modelIdentifier)
{
    for (const auto& [prefix, name] : kModelNames)
        if (modelIdentifier.startsWith(prefix))
            return name;
    return modelIdentifier.isEmpty() ? QStringLiteral("Mac") : modelIdentifier;
}

QString HardwareCatalog::neuralEngineFor(const QString& brand)
{
    if (!brand.contains(QLatin1String("Apple")))
        return QStringLiteral("Intel CPU (No Apple Neural Engine)");
    if (brand.contains(QLatin1String("Ultra")))
        return QStringLiteral("32-Core Apple Neural Engine (Up to 31.6 TOPS)");
    if (brand.contains(QLatin1String("Max")) || brand.contains(QLatin1String("Pro")))
        return QStringLiteral("16-Core Apple Neural Engine (Up to 15.8 TOPS)");
    return QStringLiteral("16-Core Apple Neural Engine");
}

QString HardwareCatalog::memoryBandwidthFor(const QString& brand)
{
    for (const Bandwidth& row : kBandwidths) {
        if (!brand.contains(row.family))
            continue;
        if (brand.contains(QLatin1String("Max")))
            return row.max;
        if (brand.contains(QLatin1String("Pro")))
            return row.pro;
        return row.base;
    }
    return QStringLiteral("Dual-Channel System RAM");
}

QString HardwareCatalog::displaySerialFor(const QString& modelIdentifier)
{
    const quint64 hash = quint64(qHash(modelIdentifier, QHashSeed::globalSeed()));
    return QStringLiteral("VKT-") + QString::number(hash).left(8) + QStringLiteral("-SYS");
}

MachineHardwareInfo HardwareCatalog::describe(const HardwareDescription& machine, int performanceCores,
                                              int efficiencyCores, int gpuCores)
{
    const QString brand = machine.processorBrand.trimmed();
    MachineHardwareInfo info;
    info.modelIdentifier = machine.modelIdentifier;
    info.modelName = modelNameFor(machine.modelIdentifier);
    info.cpuCores = machine.logicalCpuCount;
    info.performanceCores = atLeastOne(performanceCores);
    info.efficiencyCores = atLeastOne(efficiencyCores);
    info.neuralEngine = neuralEngineFor(brand);
    info.memoryBandwidth = memoryBandwidthFor(brand);
    info.physicalMemoryGB = double(machine.physicalMemoryBytes) / 1024.0 / 1024.0 / 1024.0;
    info.osVersion = machine.osVersion;
    info.processor = brand.isEmpty() ? QStringLiteral("Apple Silicon") : brand;
    info.gpuCores = gpuCores;
    info.serialNumber = displaySerialFor(machine.modelIdentifier);
    return info;
}
