#include "telemetry/SystemStatsProvider.h"

#include "core/Random.h"
#include "telemetry/PublicAddressFetcher.h"

// Throughput over every interface, lo included, in KB per tick.
void SystemStatsProvider::updateNetwork()
{
    if (!m_netDev.read(m_netDevSample))
        return;
    NetworkTotals totals;
    for (const auto& c : m_netDevSample) {
        totals.down += c.receivedBytes;
        totals.up += c.sentBytes;
    }
    if (const auto delta = m_networkRates.add(m_netDevSample)) {
        setNetworkDownload(double(delta->received) / 1024.0);
        setNetworkUpload(double(delta->sent) / 1024.0);
    }
    m_lastNetworkStats = totals;
}

void SystemStatsProvider::updateIPs()
{
    setLocalIP(InterfaceAddress::chooseLocalAddress(m_deps.interfaceAddresses()));
    // Until the first answer every tick asks again; afterwards about one
    // tick in 61 refreshes it. The fetcher runs one request at a time.
    if (m_publicIP == QLatin1String("Checking...") || m_deps.random->uniformInt(0, 60) == 0)
        m_publicAddress->start();
}

void SystemStatsProvider::updateConnections()
{
    QList<ActiveConnection> rows = m_connections.scan();
    if (rows.isEmpty())
        rows.append(ConnectionList::placeholder());
    setActiveConnections(std::move(rows));
}
