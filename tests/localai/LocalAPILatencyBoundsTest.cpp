#include "fakes/CountingPortProber.h"
#include "localai/LocalAIService.h"
#include "localai/LocalAPILatencyService.h"
#include "platform/SocketTable.h"
#include "support/NeverAcceptingListeners.h"
#include "support/ScopedSoftFileLimit.h"
#include "support/TaskRunner.h"

#include "LoopbackClient.h"

#include <QFile>
#include <QSet>
#include <QSignalSpy>
#include <QTcpServer>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <iostream>
#include <thread>

using namespace std::chrono_literals;

namespace {

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

std::chrono::microseconds threadCpuTime()
{
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

} // namespace

// Hundreds of listeners whose SYNs the kernel drops, with the timer ticking
// forty times as fast as it does in the app: one round runs at a time, each
// port is probed once a round, a bounded number of probes is ever in flight,
// and descriptors, memory and main-thread time stay flat.
TEST(LocalAPILatencyBounds, PortsThatNeverAcceptCostABoundedShareHoweverLongItRuns)
{
    ScopedSoftFileLimit limit(8192); // two descriptors a listener
    NeverAcceptingListeners dead(400);
    ASSERT_EQ(dead.ports().size(), 400);
    QTcpServer live;
    ASSERT_TRUE(live.listen(QHostAddress::LocalHost, 0));

    LocalAIService localAI;
    localAI.setDemoMode(false);
    QList<LocalPortInfo> entries{{live.serverPort(), QStringLiteral("live"), 100}};
    QList<quint16> distinct{live.serverPort()};
    for (const quint16 port : dead.ports()) {
        entries.append({port, QStringLiteral("stuck"), 200});
        distinct << port;
    }
    entries.append({dead.ports().first(), QStringLiteral("stuck twice"), 201}); // probed once a round all the same
    localAI.setActiveLocalPorts(entries);

    CountingPortProber prober(PortProber::system());
    const QSet<quint16> deadPorts(dead.ports().cbegin(), dead.ports().cend());
    const int baseline = LoopbackClient::openDescriptorCount();
    std::atomic<bool> sampling{true};
    std::atomic<int> peakDescriptors{0};
    std::atomic<int> peakHanging{0};
    std::atomic<qint64> residentEarly{0};
    std::atomic<qint64> residentLate{0};
    const auto started = std::chrono::steady_clock::now();
    std::thread sampler([&] {
        const SocketTable table;
        constexpr quint8 synSent = 0x02;
        while (sampling) {
            peakDescriptors = std::max(peakDescriptors.load(), LoopbackClient::openDescriptorCount());
            const QList<TcpSocket> connecting = table.read(synSent);
            const int hanging = int(std::count_if(connecting.begin(), connecting.end(),
                                                  [&](const TcpSocket& s) { return deadPorts.contains(s.remotePort); }));
            peakHanging = std::max(peakHanging.load(), hanging);
            const qint64 resident = residentBytes();
            if (std::chrono::steady_clock::now() - started < 5s)
                residentEarly = resident;
            residentLate = resident;
            std::this_thread::sleep_for(20ms);
        }
    });

    const auto cpuBefore = threadCpuTime();
    {
        LocalAPILatencyService::Deps deps;
        deps.localAI = &localAI;
        deps.prober = &prober;
        deps.interval = 50ms;
        LocalAPILatencyService service(deps, true);
        QSignalSpy rounds(&service, &LocalAPILatencyService::measurementEnded);
        waitUntil([] { return false; }, 20s);
        // The last round ends before the rows are read.
        ASSERT_TRUE(waitUntil([&] { return !service.isMeasuring(); }, 10s));

        const QList<PortLatencyInfo>& rows = service.activePortLatencies();
        ASSERT_EQ(rows.size(), entries.size());
        for (const PortLatencyInfo& row : rows) {
            if (row.port == live.serverPort()) {
                EXPECT_EQ(row.status, QStringLiteral("Online"));
                EXPECT_GT(row.latencyMs, 0.0);
            } else {
                EXPECT_EQ(row.status, QStringLiteral("Offline")) << row.port;
            }
        }
        // Whole rounds one after another: each port once a round, in order.
        const qsizetype probes = prober.started.size();
        EXPECT_GE(rounds.count(), 3);
        EXPECT_EQ(probes, rounds.count() * distinct.size());
        for (qsizetype i = 0; i < probes; ++i) {
            ASSERT_EQ(prober.started[i], distinct[i % distinct.size()]) << "probe " << i;
        }
        std::cout << rounds.count() << " rounds of " << distinct.size() << " ports in 20 s\n";
    }
    waitUntil([] { return false; }, 100ms); // answered attempts are deleted from the event loop
    const auto cpu = threadCpuTime() - cpuBefore;
    const auto wall = std::chrono::steady_clock::now() - started;
    sampling = false;
    sampler.join();

    EXPECT_LE(prober.peakInFlight, LocalAPILatencyService::maxProbesInFlight);
    // The kernel agrees, within what a dump that is no snapshot can add: a
    // slot's socket closed and its successor opened while it runs both show.
    EXPECT_GE(peakHanging.load(), LocalAPILatencyService::maxProbesInFlight / 2) << "the SYNs were not dropped";
    EXPECT_LE(peakHanging.load(), LocalAPILatencyService::maxProbesInFlight * 2);
    EXPECT_LE(peakDescriptors.load(), baseline + LocalAPILatencyService::maxProbesInFlight + 8);
#ifndef __SANITIZE_ADDRESS__ // its quarantine holds freed memory on purpose
    EXPECT_LE(residentLate - residentEarly, 4 << 20);
#endif
    const double mainThreadShare = double(cpu.count()) / double(std::chrono::duration_cast<std::chrono::microseconds>(wall).count());
    EXPECT_LT(mainThreadShare, 0.10);
    std::cout << "peak in flight " << prober.peakInFlight << ", hanging " << peakHanging << ", descriptors +"
              << peakDescriptors - baseline << ", resident +" << (residentLate - residentEarly) / 1024
              << " KiB, main thread " << mainThreadShare * 100 << " %\n";
}
