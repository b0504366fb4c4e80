// The /proc readers, otherwise tested on fixture trees, read against this
// machine's own kernel: the fixtures' formats must be the live ones.
#include "platform/NetDevReader.h"
#include "platform/ProcMemInfoReader.h"
#include "platform/ProcStatReader.h"

#include <QUdpSocket>

#include <gtest/gtest.h>

#include <sys/sysinfo.h>
#include <unistd.h>

#include <algorithm>

TEST(LiveProcFormats, StatListsEveryOnlineCpuWithTicks)
{
    ProcStatReader reader(QStringLiteral("/proc"));
    std::vector<CpuTicks> cpus;
    ASSERT_TRUE(reader.read(cpus));
    EXPECT_EQ(qint64(cpus.size()), qint64(::sysconf(_SC_NPROCESSORS_ONLN)));
    for (const CpuTicks& cpu : cpus)
        EXPECT_GT(cpu.user + cpu.system + cpu.idle + cpu.nice, 0u) << "cpu" << cpu.cpu;
}

TEST(LiveProcFormats, MemInfoTotalIsTheKernelsOwn)
{
    ProcMemInfoReader reader(QStringLiteral("/proc"));
    MemInfo info;
    ASSERT_TRUE(reader.read(info));
    struct sysinfo kernel {};
    ASSERT_EQ(::sysinfo(&kernel), 0);
    ASSERT_TRUE(info.memTotal);
    EXPECT_EQ(*info.memTotal, quint64(kernel.totalram) * kernel.mem_unit);
    EXPECT_TRUE(info.active && info.pageTables && info.kernelStack && info.swapTotal && info.swapFree);
}

TEST(LiveProcFormats, NetDevCountsWhatWeSendOverLoopback)
{
    NetDevReader reader(QStringLiteral("/proc"));
    const auto loopbackReceived = [&reader]() -> quint64 {
        std::vector<NetDevReader::Counters> counters;
        if (!reader.read(counters))
            return 0;
        const auto lo = std::find_if(counters.begin(), counters.end(),
                                     [](const auto& c) { return c.interfaceName == QLatin1String("lo"); });
        return lo == counters.end() ? 0 : lo->receivedBytes;
    };
    const quint64 before = loopbackReceived();
    ASSERT_GT(before, 0u) << "no lo line read";

    // The loopback device counts what it carries as sent and received.
    QUdpSocket receiver, sender;
    ASSERT_TRUE(receiver.bind(QHostAddress::LocalHost));
    const QByteArray payload(60000, 'k');
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(sender.writeDatagram(payload, QHostAddress::LocalHost, receiver.localPort()), payload.size());
    EXPECT_GE(loopbackReceived() - before, quint64(4 * payload.size()));
}
