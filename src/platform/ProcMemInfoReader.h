#pragma once

#include "platform/KeptOpenFile.h"
#include "platform/MemInfo.h"

#include <QString>

// Reads <procRoot>/meminfo, keeping it open between reads.
class ProcMemInfoReader {
public:
    explicit ProcMemInfoReader(const QString& procRoot);

    // False when the file cannot be read; `info` is then left as it was.
    bool read(MemInfo& info);

    // The parser alone, for any text in the format of /proc/meminfo.
    static MemInfo parse(std::string_view text);

private:
    KeptOpenFile m_file;
};
