#include "telemetry/HIDMonitor.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

// One tick reads three temperatures. The sensor list is discovered once and
// re-read from kept descriptors; compare with discovering on every reading.
namespace {

void put(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

// A laptop-like tree: ACPI zone, NVMe, an 8-core coretemp, Wi-Fi, and zones.
void buildLaptop(const QString& root)
{
    const QString hw = root + QStringLiteral("/class/hwmon/");
    put(hw + QStringLiteral("hwmon0/name"), "acpitz\n");
    put(hw + QStringLiteral("hwmon0/temp1_input"), "0\n");   // zone without a reading
    put(hw + QStringLiteral("hwmon1/name"), "nvme\n");
    put(hw + QStringLiteral("hwmon1/temp1_label"), "Composite\n");
    put(hw + QStringLiteral("hwmon1/temp1_input"), "38850\n");
    put(hw + QStringLiteral("hwmon2/name"), "coretemp\n");
    put(hw + QStringLiteral("hwmon2/temp1_label"), "Package id 0\n");
    put(hw + QStringLiteral("hwmon2/temp1_input"), "61000\n");
    for (int core = 0; core < 8; ++core) {
        put(hw + QStringLiteral("hwmon2/temp%1_label").arg(core + 2), "Core " + QByteArray::number(core) + "\n");
        put(hw + QStringLiteral("hwmon2/temp%1_input").arg(core + 2), "58000\n");
    }
    put(hw + QStringLiteral("hwmon3/name"), "iwlwifi_1\n");
    put(hw + QStringLiteral("hwmon3/temp1_input"), "40000\n");
    const QString th = root + QStringLiteral("/class/thermal/");
    put(th + QStringLiteral("thermal_zone0/type"), "acpitz\n");
    put(th + QStringLiteral("thermal_zone0/temp"), "0\n");
    put(th + QStringLiteral("thermal_zone1/type"), "x86_pkg_temp\n");
    put(th + QStringLiteral("thermal_zone1/temp"), "61000\n");
}

void readOneTick(benchmark::State& state, std::chrono::milliseconds rescan)
{
    QTemporaryDir dir;
    buildLaptop(dir.path());
    HIDMonitor monitor(std::make_unique<ThermalSensorReader>(dir.path(), rescan));
    for (auto _ : state) {
        benchmark::DoNotOptimize(monitor.readTemperature(QStringLiteral("Tp09")));
        benchmark::DoNotOptimize(monitor.readTemperature(QStringLiteral("Tg05")));
        benchmark::DoNotOptimize(monitor.readTemperature(QStringLiteral("Ts01")));
    }
}

} // namespace

static void BM_TemperatureTick_CachedSensorList(benchmark::State& state)
{
    readOneTick(state, std::chrono::hours(1));
}
BENCHMARK(BM_TemperatureTick_CachedSensorList);

static void BM_TemperatureTick_DiscoverEveryReading(benchmark::State& state)
{
    readOneTick(state, std::chrono::milliseconds(0));
}
BENCHMARK(BM_TemperatureTick_DiscoverEveryReading);
