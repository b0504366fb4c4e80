#include "platform/CpuTopologyReader.h"

#include "platform/ProcText.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <map>

using namespace kestrova::proctext;

namespace {

constexpr quint64 kMaxCpuNumber = 1u << 16;

// Small sysfs attribute as text; absent when missing or unreadable.
std::optional<QByteArray> readAttribute(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.read(4096);
}

} // namespace

CpuTopologyReader::CpuTopologyReader(QString sysRoot) : m_sysRoot(std::move(sysRoot)) {}

std::optional<CpuClusters> CpuTopologyReader::read() const
{
    if (auto hybrid = readHybridLists())
        return hybrid;
    return readCapacities();
}

std::optional<std::vector<int>> CpuTopologyReader::parseCpuList(std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.remove_suffix(1);
    std::vector<int> cpus;
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        quint64 first = 0;
        if (!parseU64(p, end, first) || first > kMaxCpuNumber)
            return std::nullopt;
        quint64 last = first;
        if (p < end && *p == '-') {
            ++p;
            if (!parseU64(p, end, last) || last > kMaxCpuNumber || last < first)
                return std::nullopt;
        }
        for (quint64 cpu = first; cpu <= last; ++cpu)
            cpus.push_back(int(cpu));
        if (p < end) {
            if (*p != ',')
                return std::nullopt;
            ++p;
        }
    }
    std::sort(cpus.begin(), cpus.end());
    cpus.erase(std::unique(cpus.begin(), cpus.end()), cpus.end());
    return cpus;
}

std::optional<CpuClusters> CpuTopologyReader::readHybridLists() const
{
    const auto list = [&](const char* pmu) -> std::optional<std::vector<int>> {
        const auto text = readAttribute(m_sysRoot + QStringLiteral("/devices/") + QLatin1String(pmu) +
                                        QStringLiteral("/cpus"));
        if (!text)
            return std::nullopt;
        return parseCpuList(std::string_view(text->constData(), std::size_t(text->size())));
    };
    auto atom = list("cpu_atom");
    auto core = list("cpu_core");
    if ((!atom || atom->empty()) && (!core || core->empty()))
        return std::nullopt;
    CpuClusters clusters;
    if (atom)
        clusters.efficiency = std::move(*atom);
    if (core) {
        // A CPU in both lists would be counted twice; the efficiency list wins.
        for (int cpu : *core)
            if (!std::binary_search(clusters.efficiency.begin(), clusters.efficiency.end(), cpu))
                clusters.performance.push_back(cpu);
    }
    return clusters;
}

std::optional<CpuClusters> CpuTopologyReader::readCapacities() const
{
    const QDir cpuDir(m_sysRoot + QStringLiteral("/devices/system/cpu"));
    const QStringList names = cpuDir.entryList({QStringLiteral("cpu*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    std::map<int, quint64> capacity; // CPU number -> capacity, ordered by number
    for (const QString& name : names) {
        bool ok = false;
        const uint number = name.mid(3).toUInt(&ok);
        if (!ok || number > kMaxCpuNumber || name.size() < 4 || !name.at(3).isDigit())
            continue;
        const auto text = readAttribute(cpuDir.filePath(name + QStringLiteral("/cpu_capacity")));
        if (!text)
            continue;
        const char* p = text->constData();
        quint64 value = 0;
        if (!parseU64(p, p + text->size(), value))
            continue;
        capacity.emplace(int(number), value);
    }
    if (capacity.empty())
        return std::nullopt;
    quint64 lowest = ~quint64(0);
    quint64 highest = 0;
    for (const auto& [cpu, cap] : capacity) {
        lowest = std::min(lowest, cap);
        highest = std::max(highest, cap);
    }
    if (lowest == highest)
        return std::nullopt; // one kind of CPU only: nothing to split
    CpuClusters clusters;
    for (const auto& [cpu, cap] : capacity)
        (cap == lowest ? clusters.efficiency : clusters.performance).push_back(cpu);
    return clusters;
}
