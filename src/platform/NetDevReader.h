#pragma once

#include "platform/KeptOpenFile.h"

#include <QString>

#include <vector>

// Per-interface byte counters from /proc/net/dev, re-read through a kept
// descriptor.
class NetDevReader {
public:
    struct Counters {
        QString interfaceName;
        quint64 receivedBytes = 0;
        quint64 sentBytes = 0;
    };

    explicit NetDevReader(const QString& procRoot);

    // Fills `out` (reusing its storage); false when the file cannot be read.
    bool read(std::vector<Counters>& out);

    static void parse(std::string_view text, std::vector<Counters>& out);

private:
    KeptOpenFile m_file;
};
