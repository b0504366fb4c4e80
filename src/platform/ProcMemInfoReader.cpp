#include "platform/ProcMemInfoReader.h"

#include "platform/ProcText.h"

using namespace kestrova::proctext;

namespace {

struct Key {
    std::string_view name;
    std::optional<quint64> MemInfo::*field;
};

constexpr Key kKeys[] = {
    {"MemTotal", &MemInfo::memTotal},           {"MemAvailable", &MemInfo::memAvailable},
    {"Active", &MemInfo::active},               {"Active(anon)", &MemInfo::activeAnon},
    {"Inactive(anon)", &MemInfo::inactiveAnon}, {"AnonPages", &MemInfo::anonPages},
    {"Shmem", &MemInfo::shmem},                 {"Unevictable", &MemInfo::unevictable},
    {"KernelStack", &MemInfo::kernelStack},     {"PageTables", &MemInfo::pageTables},
    {"SUnreclaim", &MemInfo::sUnreclaim},       {"Zswap", &MemInfo::zswap},
    {"SwapTotal", &MemInfo::swapTotal},         {"SwapFree", &MemInfo::swapFree},
};

} // namespace

ProcMemInfoReader::ProcMemInfoReader(const QString& procRoot) : m_file(procRoot + QStringLiteral("/meminfo")) {}

bool ProcMemInfoReader::read(MemInfo& info)
{
    std::string_view text;
    if (!m_file.read(text))
        return false;
    info = parse(text);
    return true;
}

MemInfo ProcMemInfoReader::parse(std::string_view text)
{
    MemInfo info;
    std::size_t pos = 0;
    std::string_view line;
    while (nextLine(text, pos, line)) {
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view name = line.substr(0, colon);
        for (const Key& key : kKeys) {
            if (key.name != name)
                continue;
            const char* p = line.data() + colon + 1;
            const char* end = line.data() + line.size();
            quint64 value = 0;
            if (!parseU64(p, end, value))
                break;
            // Values are in kB (KiB) unless the line has no unit.
            skipBlanks(p, end);
            const bool kib = end - p >= 2 && p[0] == 'k' && p[1] == 'B';
            if (kib && value > (~quint64(0) >> 10))
                break;
            info.*key.field = kib ? value << 10 : value;
            break;
        }
    }
    return info;
}
