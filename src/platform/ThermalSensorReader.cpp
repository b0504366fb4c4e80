#include "platform/ThermalSensorReader.h"

#include "platform/SysfsDirectory.h"

namespace {

const QString kPackage = QStringLiteral("Tp09");
const QString kCore = QStringLiteral("Tp01");
const QString kGpu = QStringLiteral("Tg05");
const QString kStorage = QStringLiteral("Ts01");
const QString kAmbient = QStringLiteral("Ta01");

QString readWord(const QString& path)
{
    const auto text = SysfsValueFile::readOnce(path);
    return text ? QString::fromUtf8(*text) : QString();
}

} // namespace

ThermalSensorReader::ThermalSensorReader(QString sysRoot, std::chrono::milliseconds rescanInterval)
    : m_sysRoot(std::move(sysRoot)), m_rescanInterval(rescanInterval)
{
}

QString ThermalSensorReader::productForThermalZone(const QString& type)
{
    const QString t = type.toLower();
    if (t == QLatin1String("x86_pkg_temp"))
        return kPackage;
    if (t == QLatin1String("acpitz"))
        return kAmbient;
    if (!t.contains(QLatin1String("thermal")))
        return {};
    if (t.startsWith(QLatin1String("cpu")) || t.startsWith(QLatin1String("soc")))
        return kPackage;
    if (t.startsWith(QLatin1String("gpu")))
        return kGpu;
    return {};
}

QString ThermalSensorReader::productForHwmon(const QString& chipName, const QString& label)
{
    const QString chip = chipName.toLower();
    const QString l = label.trimmed().toLower();
    if (chip == QLatin1String("coretemp")) {
        if (l.startsWith(QLatin1String("package id")) || l.startsWith(QLatin1String("physical id")))
            return kPackage;
        return l.startsWith(QLatin1String("core")) ? kCore : QString();
    }
    if (chip == QLatin1String("k10temp") || chip == QLatin1String("zenpower")) {
        if (l.isEmpty() || l == QLatin1String("tctl") || l == QLatin1String("tdie"))
            return kPackage;
        return l.startsWith(QLatin1String("tccd")) ? kCore : QString();
    }
    if (chip == QLatin1String("amdgpu") || chip == QLatin1String("radeon") || chip == QLatin1String("nouveau")) {
        const bool edgeOrJunction = l.isEmpty() || l == QLatin1String("edge") || l == QLatin1String("junction");
        return edgeOrJunction ? kGpu : QString();
    }
    if (chip == QLatin1String("nvme"))
        return (l.isEmpty() || l == QLatin1String("composite")) ? kStorage : QString();
    if (chip == QLatin1String("drivetemp"))
        return kStorage;
    // Thermal zones register an hwmon device named after the zone type.
    return l.isEmpty() ? productForThermalZone(chip) : QString();
}

void ThermalSensorReader::discover()
{
    m_discovered = true;
    m_sinceDiscovery.start();
    m_files.clear();

    QList<ThermalSensor> list;
    const QString hwmonRoot = m_sysRoot + QStringLiteral("/class/hwmon");
    const auto hwmons = sysfs::entries(hwmonRoot);
    if (hwmons) {
        for (const auto& [number, entry] : sysfs::numbered(*hwmons, QStringLiteral("hwmon"))) {
            Q_UNUSED(number);
            // Older drivers keep their attributes in the device folder.
            QString folder = hwmonRoot + QLatin1Char('/') + entry;
            QString chip = readWord(folder + QStringLiteral("/name"));
            if (chip.isEmpty()) {
                folder += QStringLiteral("/device");
                chip = readWord(folder + QStringLiteral("/name"));
            }
            const auto files = sysfs::entries(folder);
            if (chip.isEmpty() || !files)
                continue;
            for (const auto& [index, input] : sysfs::numbered(*files, QStringLiteral("temp"), QStringLiteral("_input"), 1000)) {
                const QString label = readWord(folder + QStringLiteral("/temp%1_label").arg(index));
                const QString product = productForHwmon(chip, label);
                if (product.isEmpty())
                    continue;
                const QString source = label.isEmpty() ? chip : chip + QLatin1Char(' ') + label;
                list.append({product, source, folder + QLatin1Char('/') + input});
            }
        }
    }

    const QString thermalRoot = m_sysRoot + QStringLiteral("/class/thermal");
    const auto zones = sysfs::entries(thermalRoot);
    if (zones) {
        for (const auto& [number, entry] : sysfs::numbered(*zones, QStringLiteral("thermal_zone"))) {
            Q_UNUSED(number);
            const QString folder = thermalRoot + QLatin1Char('/') + entry;
            const QString type = readWord(folder + QStringLiteral("/type"));
            const QString product = productForThermalZone(type);
            if (!product.isEmpty())
                list.append({product, type, folder + QStringLiteral("/temp")});
        }
    }

    if (!hwmons && !zones) {
        m_sensors.reset();
        return;
    }
    m_files.reserve(list.size());
    for (const ThermalSensor& sensor : list)
        m_files.emplace_back(sensor.path);
    m_sensors = std::move(list);
}

const std::optional<QList<ThermalSensor>>& ThermalSensorReader::sensors()
{
    if (!m_discovered || m_sinceDiscovery.elapsed() >= m_rescanInterval.count())
        discover();
    return m_sensors;
}

std::optional<double> ThermalSensorReader::readCelsius(qsizetype index)
{
    if (index < 0 || index >= qsizetype(m_files.size()))
        return std::nullopt;
    const auto milli = m_files[std::size_t(index)].readInteger(index < kKeptOpenLimit);
    if (!milli)
        return std::nullopt;
    return double(*milli) / 1000.0;
}
