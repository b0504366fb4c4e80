#include "fakes/FakePortProber.h"
#include "localai/LocalAIExamples.h"
#include "localai/LocalAIService.h"
#include "localai/LocalAPILatencyService.h"
#include "platform/SocketTable.h"
#include "support/ResidentMemory.h"
#include "support/TaskRunner.h"
#include "support/ThreadCpuTime.h"

#include "LoopbackClient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTcpServer>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <stop_token>
#include <thread>

using namespace std::chrono_literals;

namespace {

class LocalAPILatencyServiceTest : public ::testing::Test {
protected:
    void SetUp() override { localAI.setDemoMode(false); }

    LocalAPILatencyService make(PortProber* prober = nullptr)
    {
        LocalAPILatencyService::Deps deps;
        deps.localAI = &localAI;
        if (prober)
            deps.prober = prober;
        return LocalAPILatencyService(deps, false);
    }
    void measure(LocalAPILatencyService& service) { ASSERT_TRUE(runTask(service.measureLatencies())); }

    // A loopback port that nobody listens on (bound, then released).
    static quint16 closedPort()
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        const quint16 port = server.serverPort();
        server.close();
        return port;
    }

    LocalAIService localAI;
};

} // namespace

TEST_F(LocalAPILatencyServiceTest, DemoModeShowsTheExampleRowsInTheirOrder)
{
    FakePortProber prober;
    auto service = make(&prober);
    localAI.setDemoMode(true);
    localAI.setActiveLocalPorts({{22, QStringLiteral("sshd"), 700}});
    measure(service);
    const QList<PortLatencyInfo>& rows = service.activePortLatencies();
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(rows[0], (PortLatencyInfo{11434, QStringLiteral("ollama"), 4321, 2.4, QStringLiteral("Online")}));
    EXPECT_EQ(rows[0].id(), QStringLiteral("11434-4321"));
    EXPECT_EQ(rows[4], (PortLatencyInfo{8000, QStringLiteral("uvicorn (python)"), 4325, 12.1, QStringLiteral("Online")}));
    EXPECT_EQ(rows[3].port, 3000) << "not sorted";
    EXPECT_TRUE(prober.probed.isEmpty());
}

TEST_F(LocalAPILatencyServiceTest, RealPortsAreOnlineWithAPositiveLatencyClosedOnesOffline)
{
    QTcpServer listening;
    ASSERT_TRUE(listening.listen(QHostAddress::LocalHost, 0));
    const quint16 closed = closedPort();
    localAI.setActiveLocalPorts({{listening.serverPort(), QStringLiteral("server"), 4242},
                                 {closed, QStringLiteral("gone"), 4243}});
    auto service = make();
    measure(service);
    const QList<PortLatencyInfo>& rows = service.activePortLatencies();
    ASSERT_EQ(rows.size(), 2);
    const PortLatencyInfo& online = rows[0].port == listening.serverPort() ? rows[0] : rows[1];
    const PortLatencyInfo& offline = rows[0].port == closed ? rows[0] : rows[1];
    EXPECT_EQ(online.status, QStringLiteral("Online"));
    EXPECT_GT(online.latencyMs, 0.0);
    EXPECT_LT(online.latencyMs, 300.0);
    EXPECT_EQ(online.processName, QStringLiteral("server"));
    EXPECT_EQ(offline.status, QStringLiteral("Offline"));
    EXPECT_EQ(offline.latencyMs, 0.0);
    EXPECT_EQ(offline.pid, 4243);
}

TEST_F(LocalAPILatencyServiceTest, AProbeThatNeverAnswersIsOfflineAfterTheTimeOut)
{
    FakePortProber prober;
    prober.answers.insert(80, true);
    localAI.setActiveLocalPorts({{9, QStringLiteral("silent"), 10}, {80, QStringLiteral("web"), 11}});
    auto service = make(&prober);
    QElapsedTimer clock;
    clock.start();
    measure(service);
    EXPECT_GE(clock.elapsed(), 280);
    EXPECT_LT(clock.elapsed(), 1200); // four times the time-out: a loaded machine may be slow to notice it
    EXPECT_EQ(prober.probed, (QList<quint16>{9, 80})) << "each once, the silent one decided by the time-out";
    ASSERT_EQ(service.activePortLatencies().size(), 2);
    EXPECT_EQ(service.activePortLatencies()[0].status, QStringLiteral("Offline"));
    EXPECT_EQ(service.activePortLatencies()[1].status, QStringLiteral("Online"));
}

TEST_F(LocalAPILatencyServiceTest, SortedByPortStablyAndOurOwnPortsAreNotProbed)
{
    FakePortProber prober;
    prober.answers = {{5000, true}, {3000, false}};
    const qint32 self = qint32(QCoreApplication::applicationPid());
    localAI.setActiveLocalPorts({{5000, QStringLiteral("b"), 2},
                                 {11430, QStringLiteral("kestrova"), self},
                                 {3000, QStringLiteral("x"), 3},
                                 {5000, QStringLiteral("a"), 1}});
    auto service = make(&prober);
    QSignalSpy announced(&service, &LocalAPILatencyService::activePortLatenciesChanged);
    measure(service);
    QStringList order;
    for (const PortLatencyInfo& row : service.activePortLatencies())
        order << row.id();
    EXPECT_EQ(order, (QStringList{QStringLiteral("3000-3"), QStringLiteral("5000-2"), QStringLiteral("5000-1"),
                                  QStringLiteral("11430-%1").arg(self)}));
    EXPECT_EQ(service.activePortLatencies()[3], (PortLatencyInfo{11430, QStringLiteral("kestrova"), self, 0.0,
                                                                 QStringLiteral("Online")}));
    EXPECT_FALSE(prober.probed.contains(11430)) << "probing our own proxy would count as its traffic";

    measure(service);
    EXPECT_EQ(announced.count(), 2) << "every measurement announces, even unchanged";
    localAI.setActiveLocalPorts({});
    measure(service);
    EXPECT_TRUE(service.activePortLatencies().isEmpty());
}

TEST_F(LocalAPILatencyServiceTest, PollingMeasuresAtOnceThenEveryTwoSeconds)
{
    FakePortProber prober;
    localAI.setDemoMode(true);
    LocalAPILatencyService::Deps deps;
    deps.localAI = &localAI;
    deps.prober = &prober;
    LocalAPILatencyService service(deps, true);
    QSignalSpy announced(&service, &LocalAPILatencyService::activePortLatenciesChanged);
    EXPECT_EQ(announced.count(), 0) << "never inside the constructor";
    EXPECT_TRUE(waitUntil([&] { return announced.count() == 1; }, 500ms));
    EXPECT_FALSE(waitUntil([&] { return announced.count() == 2; }, 1500ms));
    EXPECT_TRUE(waitUntil([&] { return announced.count() == 2; }, 8s)); // after the quiet, however late
}

// 200 listeners that drop every SYN, the timer 40 times as fast as in the app: no port has two
// connects pending, at most 32 probes are in flight, and descriptors, memory and CPU stay flat.
TEST_F(LocalAPILatencyServiceTest, PortsThatNeverAcceptCostABoundedShareHoweverLongItRuns)
{
    // A backlog of 0 holds one finished handshake, our own; the kernel drops every further SYN.
    std::vector<int> fds;
    const auto closeAll = qScopeGuard([&fds] { std::for_each(fds.begin(), fds.end(), ::close); });
    QTcpServer live;
    ASSERT_TRUE(live.listen(QHostAddress::LocalHost, 0));
    QList<LocalPortInfo> entries{{live.serverPort(), QStringLiteral("live"), 100}};
    QList<quint16> dead;
    for (int i = 0; i < 200; ++i) {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof address;
        auto* const at = reinterpret_cast<sockaddr*>(&address);
        const int listener = fds.emplace_back(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        const int filler = fds.emplace_back(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        ASSERT_TRUE(::bind(listener, at, length) == 0 && ::listen(listener, 0) == 0
                    && ::getsockname(listener, at, &length) == 0 && ::connect(filler, at, length) == 0);
        entries.append({dead.emplace_back(ntohs(address.sin_port)), QStringLiteral("stuck"), 200});
    }
    entries.append({dead.first(), QStringLiteral("stuck twice"), 201});

    // The reference, in this run: a round over as many ports that answer at once.
    QList<LocalPortInfo> answering;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof address;
        auto* const at = reinterpret_cast<sockaddr*>(&address);
        const int listener = fds.emplace_back(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        ASSERT_TRUE(::bind(listener, at, length) == 0 && ::listen(listener, 64) == 0 && ::getsockname(listener, at, &length) == 0);
        answering.append({ntohs(address.sin_port), QStringLiteral("answers"), 300});
    }
    localAI.setActiveLocalPorts(answering);
    qint64 answeringRound = 0;
    {
        LocalAPILatencyService reference = make();
        answeringRound = leastThreadCpuMicroseconds([&] { measure(reference); });
    }
    localAI.setActiveLocalPorts(entries);

    const int baseline = LoopbackClient::openDescriptorCount();
    std::atomic<int> peakDescriptors = 0, peakToOnePort = 0; // connects in SYN_SENT to one port
    std::jthread sampler([&](std::stop_token stop) {
        for (; !stop.stop_requested(); std::this_thread::sleep_for(10ms)) {
            peakDescriptors = std::max(peakDescriptors.load(), LoopbackClient::openDescriptorCount());
            QHash<quint16, int> byPort;
            for (const TcpSocket& s : SocketTable().read(0x02)) {
                if (dead.contains(s.remotePort))
                    peakToOnePort = std::max(peakToOnePort.load(), ++byPort[s.remotePort]);
            }
        }
    });
    const qint64 cpuBefore = threadCpuMicroseconds();
    QElapsedTimer wall;
    wall.start();
    qsizetype roundCount = 0;
    [[maybe_unused]] qint64 residentEarly = 0; // unchecked under the address sanitizer
    {
        LocalAPILatencyService::Deps deps;
        deps.localAI = &localAI;
        deps.interval = 50ms;
        LocalAPILatencyService service(deps, true);
        QSignalSpy rounds(&service, &LocalAPILatencyService::measurementEnded);
        waitUntil([] { return false; }, 5s);
        residentEarly = residentBytes();
        waitUntil([] { return false; }, 15s);
        ASSERT_TRUE(waitUntil([&] { return !service.isMeasuring(); }, 10s));
        roundCount = rounds.count();
        EXPECT_GE(rounds.count(), 3);
        ASSERT_EQ(service.activePortLatencies().size(), entries.size());
        for (const PortLatencyInfo& row : service.activePortLatencies())
            EXPECT_EQ(row.status, row.port == live.serverPort() ? QStringLiteral("Online") : QStringLiteral("Offline")) << row.port;
    }
    // A round of ports that never accept costs about what one of ports that answer does (twice
    // that here, the waits between rounds included), however long its probes wait.
    const qint64 cpu = threadCpuMicroseconds() - cpuBefore;
    EXPECT_LT(cpu / std::max<qsizetype>(roundCount, 1), 8 * answeringRound)
        << roundCount << " rounds, " << answeringRound << " µs for a round of ports that answer";
#ifndef __SANITIZE_ADDRESS__ // the sanitizer's checks slow every step of ours; the share is the plain build's
    EXPECT_LT(double(cpu) / 1000.0 / double(wall.elapsed()), 0.10);
#endif
#ifndef __SANITIZE_ADDRESS__ // its quarantine holds freed memory on purpose
    EXPECT_LE(residentBytes() - residentEarly, 4 << 20);
#endif
    sampler.request_stop();
    sampler.join();
    EXPECT_LE(peakDescriptors, baseline + LocalAPILatencyService::maxProbesInFlight + 8);
    EXPECT_EQ(peakToOnePort, 1) << "a port probed while its probe was pending, or no SYN dropped";
}
