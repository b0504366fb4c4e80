#include "platform/NetDevReader.h"
#include "telemetry/ConnectionList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

// The connection list the sampler reads every second: /proc/net/tcp{,6}
// parsed, socket owners found through /proc/PID/fd (remembered between
// reads), rows built.

namespace {

// A /proc with `sockets` established IPv4 sockets spread over 30 processes,
// each process also holding 40 other descriptors.
QString makeFixture(QTemporaryDir& dir, int sockets)
{
    const QString proc = dir.path();
    QDir().mkpath(proc + QStringLiteral("/net"));
    QByteArray tcp = "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n";
    for (int i = 0; i < sockets; ++i)
        tcp += "  " + QByteArray::number(i) + ": 0200000A:" + QByteArray::number(0x8000 + i, 16).toUpper() +
               " 03705A8C:01BB 01 00000000:00000000 00:00000000 00000000  1000        0 " +
               QByteArray::number(10000 + i) + " 1\n";
    QFile f(proc + QStringLiteral("/net/tcp"));
    f.open(QIODevice::WriteOnly);
    f.write(tcp);
    f.close();
    QFile(proc + QStringLiteral("/net/tcp6")).open(QIODevice::WriteOnly);
    for (int p = 0; p < 30; ++p) {
        const QString base = proc + QStringLiteral("/%1").arg(1000 + p);
        QDir().mkpath(base + QStringLiteral("/fd"));
        QFile comm(base + QStringLiteral("/comm"));
        comm.open(QIODevice::WriteOnly);
        comm.write("proc" + QByteArray::number(p) + '\n');
        for (int fd = 0; fd < 40; ++fd)
            QFile::link(QStringLiteral("/dev/null"), base + QStringLiteral("/fd/%1").arg(fd));
        for (int i = p; i < sockets; i += 30)
            QFile::link(QStringLiteral("socket:[%1]").arg(10000 + i), base + QStringLiteral("/fd/%1").arg(100 + i));
    }
    return proc;
}

} // namespace

static void BM_ConnectionListFixture(benchmark::State& state)
{
    QTemporaryDir dir;
    ConnectionList list(makeFixture(dir, int(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(list.scan());
}
BENCHMARK(BM_ConnectionListFixture)->Arg(300)->Unit(benchmark::kMicrosecond);

static void BM_ConnectionListLive(benchmark::State& state)
{
    ConnectionList list(QStringLiteral("/proc"));
    for (auto _ : state)
        benchmark::DoNotOptimize(list.scan());
}
BENCHMARK(BM_ConnectionListLive)->Unit(benchmark::kMicrosecond);

static void BM_NetDevRead(benchmark::State& state)
{
    NetDevReader reader(QStringLiteral("/proc"));
    std::vector<NetDevReader::Counters> counters;
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.read(counters));
        benchmark::DoNotOptimize(counters.data());
    }
}
BENCHMARK(BM_NetDevRead)->Unit(benchmark::kMicrosecond);
