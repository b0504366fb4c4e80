#include "platform/PowerSupplyReader.h"

#include "platform/SysfsDirectory.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Attributes that only exist on some drivers are opened only when present
// at discovery, so a missing one costs nothing per reading.
std::optional<SysfsValueFile> attribute(const QString& folder, const char* name)
{
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    if (!QFileInfo::exists(path))
        return std::nullopt;
    return SysfsValueFile(path);
}

std::optional<qint64> readInteger(std::optional<SysfsValueFile>& file)
{
    return file ? file->readInteger() : std::nullopt;
}

QByteArray readWord(const QString& folder, const char* name)
{
    return SysfsValueFile::readOnce(folder + QLatin1Char('/') + QLatin1String(name)).value_or(QByteArray());
}

bool isExternalSupplyType(const QByteArray& type)
{
    return type == "Mains" || type.startsWith("USB");
}

} // namespace

struct PowerSupplyReader::Battery {
    std::optional<SysfsValueFile> present, status, capacity, energyNow, energyFull, chargeNow, chargeFull, powerNow,
        voltageNow, currentNow, timeToEmptyNow;

    explicit Battery(const QString& folder)
        : present(attribute(folder, "present")), status(attribute(folder, "status")),
          capacity(attribute(folder, "capacity")), energyNow(attribute(folder, "energy_now")),
          energyFull(attribute(folder, "energy_full")), chargeNow(attribute(folder, "charge_now")),
          chargeFull(attribute(folder, "charge_full")), powerNow(attribute(folder, "power_now")),
          voltageNow(attribute(folder, "voltage_now")), currentNow(attribute(folder, "current_now")),
          timeToEmptyNow(attribute(folder, "time_to_empty_now"))
    {
    }
};

PowerSupplyReader::PowerSupplyReader(QString sysRoot, std::chrono::milliseconds rescanInterval)
    : m_sysRoot(std::move(sysRoot)), m_rescanInterval(rescanInterval)
{
}

PowerSupplyReader::~PowerSupplyReader() = default;

int PowerSupplyReader::percentageFrom(double current, double full)
{
    // Multiplying first keeps whole figures exact: 57 of 100 is 57, not 56.99.
    const double percent = full > 0 ? current * 100.0 / full : current;
    if (!std::isfinite(percent))
        return 0;
    return int(std::clamp(std::trunc(percent), 0.0, 100.0));
}

void PowerSupplyReader::discover()
{
    m_discovered = true;
    m_sinceDiscovery.start();
    m_batteries.clear();
    m_externalOnline.clear();
    m_hasExternalSupply = false;

    const QString root = m_sysRoot + QStringLiteral("/class/power_supply");
    auto names = sysfs::entries(root).value_or(QStringList());
    names.sort();
    for (const QString& name : names) {
        const QString folder = root + QLatin1Char('/') + name;
        // A supply that powers a peripheral (scope "Device") is not ours.
        if (readWord(folder, "scope") == "Device")
            continue;
        const QByteArray type = readWord(folder, "type");
        if (type == "Battery") {
            m_batteries.push_back(std::make_unique<Battery>(folder));
        } else if (isExternalSupplyType(type)) {
            const QString online = folder + QStringLiteral("/online");
            if (QFileInfo::exists(online)) {
                m_hasExternalSupply = true;
                m_externalOnline.emplace_back(online);
            }
        }
    }
}

std::optional<BatteryInfo> PowerSupplyReader::battery()
{
    if (!m_discovered || m_sinceDiscovery.elapsed() >= m_rescanInterval.count())
        discover();
    for (const auto& battery : m_batteries) {
        if (const auto present = readInteger(battery->present); present && *present == 0)
            continue;
        return read(*battery);
    }
    return std::nullopt;
}

BatteryInfo PowerSupplyReader::read(Battery& b)
{
    BatteryInfo info;
    const auto statusText = b.status ? b.status->readText() : std::nullopt;
    // An unreadable status means the battery may have gone: look again next time.
    if (b.status && !statusText)
        m_discovered = false;
    const QByteArray status = statusText.value_or(QByteArray());
    const bool discharging = status == "Discharging";
    info.isCharging = status == "Charging";

    const auto energyNow = readInteger(b.energyNow);
    const auto energyFull = readInteger(b.energyFull);
    const auto chargeNow = readInteger(b.chargeNow);
    const auto chargeFull = readInteger(b.chargeFull);
    const auto capacity = readInteger(b.capacity);
    if (energyNow && energyFull && *energyFull > 0)
        info.percentage = percentageFrom(double(*energyNow), double(*energyFull));
    else if (chargeNow && chargeFull && *chargeFull > 0)
        info.percentage = percentageFrom(double(*chargeNow), double(*chargeFull));
    else if (capacity)
        info.percentage = percentageFrom(double(*capacity), 100.0);
    else if (energyNow && energyFull)
        info.percentage = percentageFrom(double(*energyNow), double(*energyFull));
    else if (chargeNow && chargeFull)
        info.percentage = percentageFrom(double(*chargeNow), double(*chargeFull));

    // sysfs units: microvolts, microamperes, microwatts, microwatt-hours.
    const auto voltage = readInteger(b.voltageNow);
    const auto current = readInteger(b.currentNow);
    const auto powerNow = readInteger(b.powerNow);
    double microwatts = 0.0;
    if (powerNow && *powerNow != 0)
        microwatts = std::abs(double(*powerNow));
    else if (voltage && current)
        microwatts = std::abs(double(*voltage)) * std::abs(double(*current)) / 1e6;
    info.wattage = microwatts / 1e6;

    if (const auto seconds = readInteger(b.timeToEmptyNow)) {
        info.timeToEmpty = int(std::clamp<qint64>(*seconds / 60, 0, std::numeric_limits<int>::max()));
    } else if (discharging && microwatts > 0) {
        double microwattHours = -1;
        if (energyNow)
            microwattHours = double(*energyNow);
        else if (chargeNow && voltage)
            microwattHours = double(*chargeNow) * std::abs(double(*voltage)) / 1e6;
        if (microwattHours >= 0)
            info.timeToEmpty = int(std::min(std::trunc(microwattHours / microwatts * 60.0), double(std::numeric_limits<int>::max())));
    }

    if (m_hasExternalSupply) {
        bool anyOnline = false;
        for (SysfsValueFile& online : m_externalOnline)
            anyOnline = anyOnline || online.readInteger().value_or(0) != 0;
        info.isUnplugged = !anyOnline;
    } else {
        info.isUnplugged = discharging;
    }
    return info;
}
