#include "platform/PowerSupplyReader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

// One battery reading per tick: kept descriptors against rediscovering the
// supplies on every reading.
namespace {

void put(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

void readBattery(benchmark::State& state, std::chrono::milliseconds rescan)
{
    QTemporaryDir dir;
    const QString ps = dir.path() + QStringLiteral("/class/power_supply/");
    put(ps + QStringLiteral("AC/type"), "Mains\n");
    put(ps + QStringLiteral("AC/online"), "0\n");
    put(ps + QStringLiteral("hidpp_battery_0/type"), "Battery\n");
    put(ps + QStringLiteral("hidpp_battery_0/scope"), "Device\n");
    const std::pair<const char*, const char*> attributes[] = {
        {"type", "Battery"},         {"present", "1"},           {"status", "Discharging"},
        {"energy_now", "40000000"},  {"energy_full", "50000000"}, {"power_now", "10000000"},
        {"voltage_now", "12000000"}, {"capacity", "80"}};
    for (const auto& [key, value] : attributes)
        put(ps + QStringLiteral("BAT0/") + QLatin1String(key), QByteArray(value) + '\n');
    PowerSupplyReader reader(dir.path(), rescan);
    for (auto _ : state)
        benchmark::DoNotOptimize(reader.battery());
}

} // namespace

static void BM_BatteryReading_KeptDescriptors(benchmark::State& state) { readBattery(state, std::chrono::hours(1)); }
BENCHMARK(BM_BatteryReading_KeptDescriptors);

static void BM_BatteryReading_DiscoverEveryReading(benchmark::State& state)
{
    readBattery(state, std::chrono::milliseconds(0));
}
BENCHMARK(BM_BatteryReading_DiscoverEveryReading);
