#pragma once

#include "platform/CpuTicks.h"
#include "platform/KeptOpenFile.h"

#include <QString>

#include <vector>

// Per-CPU tick counters from <procRoot>/stat, one entry per cpuN line in the
// order the kernel lists them (ascending CPU number).
class ProcStatReader {
public:
    explicit ProcStatReader(const QString& procRoot);

    // Fills `cpus`, reusing its storage. False when the file cannot be read
    // or holds no cpuN line; `cpus` is then unspecified.
    bool read(std::vector<CpuTicks>& cpus);

    // The parser alone, for any text in the format of /proc/stat.
    static bool parse(std::string_view text, std::vector<CpuTicks>& cpus);

private:
    KeptOpenFile m_file;
};
