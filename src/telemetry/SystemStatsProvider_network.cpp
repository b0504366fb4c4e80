#include "telemetry/SystemStatsProvider.h"
#include "telemetry/SystemStatsProvider_readers.h"

#include "core/Random.h"
#include "telemetry/PublicAddressFetcher.h"

#include <QPointer>

// Throughput over every interface, lo included, in KB per tick.
void SystemStatsProvider::updateNetwork()
{
    Readers& r = *m_readers;
    if (!r.netDev.read(r.netDevSample))
        return;
    if (const auto delta = r.networkRates.add(r.netDevSample)) {
        setNetworkDownload(double(delta->received) / 1024.0);
        setNetworkUpload(double(delta->sent) / 1024.0);
    }
}

void SystemStatsProvider::updateIPs()
{
    setLocalIP(InterfaceAddress::chooseLocalAddress(m_deps.interfaceAddresses()));
    // Until the first answer every tick asks again; afterwards about one
    // tick in 61 refreshes it. The fetcher runs one request at a time, and a
    // failed one keeps the next away for a while.
    const bool ask = m_publicIP == QLatin1String("Checking...") || m_deps.random->uniformInt(0, 60) == 0;
    if (m_publicAddressQuietTicks > 0)
        --m_publicAddressQuietTicks;
    else if (ask)
        m_publicAddress->start();
}

std::shared_ptr<void> SystemStatsProvider::showConnections()
{
    if (m_connectionViewers++ == 0)
        updateConnections();
    return std::shared_ptr<void>(nullptr, [self = QPointer<SystemStatsProvider>(this)](void*) {
        if (self)
            --self->m_connectionViewers;
    });
}

void SystemStatsProvider::updateConnections()
{
    QList<ActiveConnection> rows = m_readers->connections.scan();
    if (rows.isEmpty())
        rows.append(ConnectionList::placeholder());
    setActiveConnections(std::move(rows));
}
