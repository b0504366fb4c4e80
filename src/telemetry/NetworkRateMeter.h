#pragma once

#include "platform/NetDevReader.h"

#include <QHash>

#include <optional>
#include <vector>

// Turns successive interface counters into bytes moved since the previous
// sample. Deltas are taken per interface over interfaces present in both
// samples, and a counter that went backwards (reset, replaced interface)
// counts 0, so a vanished interface never shows as a huge rate.
class NetworkRateMeter {
public:
    struct Delta {
        quint64 sent = 0;
        quint64 received = 0;
    };

    // Returns the bytes moved since the previous sample, or nothing on the
    // first sample.
    std::optional<Delta> add(const std::vector<NetDevReader::Counters>& sample);

private:
    QHash<QString, NetDevReader::Counters> m_previous;
    bool m_hasPrevious = false;
};
