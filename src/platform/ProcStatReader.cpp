#include "platform/ProcStatReader.h"

#include "platform/ProcText.h"

using namespace kestrova::proctext;

namespace {
// CPU numbers beyond this are not real; refuse them rather than trust them.
constexpr quint64 kMaxCpuNumber = 1u << 16;
}

ProcStatReader::ProcStatReader(const QString& procRoot) : m_file(procRoot + QStringLiteral("/stat"), 16384) {}

bool ProcStatReader::read(std::vector<CpuTicks>& cpus)
{
    std::string_view text;
    return m_file.read(text) && parse(text, cpus);
}

bool ProcStatReader::parse(std::string_view text, std::vector<CpuTicks>& cpus)
{
    cpus.clear();
    std::size_t pos = 0;
    std::string_view line;
    while (nextLine(text, pos, line)) {
        if (line.size() < 4 || line.compare(0, 3, "cpu") != 0) {
            // The cpu lines come first; whatever follows them is of no use here.
            if (!cpus.empty())
                break;
            continue;
        }
        const char* p = line.data() + 3;
        const char* end = line.data() + line.size();
        if (*p < '0' || *p > '9')
            continue; // the "cpu" total line
        quint64 number = 0;
        if (!parseU64(p, end, number) || number > kMaxCpuNumber)
            continue;
        // user nice system idle iowait irq softirq steal [guest guest_nice];
        // older kernels print fewer columns, and missing ones count as 0.
        quint64 field[8] = {};
        for (quint64& f : field)
            if (!parseU64(p, end, f))
                break;
        CpuTicks& t = cpus.emplace_back();
        t.cpu = int(number);
        t.user = field[0];
        t.nice = field[1];
        t.system = field[2] + field[5] + field[6] + field[7];
        t.idle = field[3] + field[4];
    }
    return !cpus.empty();
}
