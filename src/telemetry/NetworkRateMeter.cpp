#include "telemetry/NetworkRateMeter.h"

std::optional<NetworkRateMeter::Delta> NetworkRateMeter::add(const std::vector<NetDevReader::Counters>& sample)
{
    std::optional<Delta> delta;
    if (m_hasPrevious) {
        delta.emplace();
        for (const auto& now : sample) {
            const auto before = m_previous.constFind(now.interfaceName);
            if (before == m_previous.constEnd())
                continue;
            if (now.receivedBytes >= before->receivedBytes)
                delta->received += now.receivedBytes - before->receivedBytes;
            if (now.sentBytes >= before->sentBytes)
                delta->sent += now.sentBytes - before->sentBytes;
        }
    }
    m_previous.clear();
    for (const auto& now : sample)
        m_previous.insert(now.interfaceName, now);
    m_hasPrevious = true;
    return delta;
}
