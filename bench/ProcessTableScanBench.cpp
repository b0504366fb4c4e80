#include "platform/ProcessTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <csignal>
#include <fcntl.h>
#include <map>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

// The process list re-reads the process table every 2 seconds. Measured on
// the live /proc, on the live /proc grown with idle `sleep` children, and on
// generated fixture trees; each with the stat descriptors kept open (the
// default) and re-opened every refresh (budget 0) for comparison.
namespace {

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(data);
}

// A /proc-like tree of `count` processes, built once per size.
QString fixtureTree(int count)
{
    static std::map<int, std::unique_ptr<QTemporaryDir>> trees;
    auto& dir = trees[count];
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        const QString root = dir->path();
        writeFile(root + QStringLiteral("/uptime"), "86400.00 600000.00\n");
        for (int i = 0; i < count; ++i) {
            const int pid = 1000 + i;
            const QByteArray name = "worker" + QByteArray::number(i % 97);
            const QString processDir = root + QLatin1Char('/') + QString::number(pid);
            QDir().mkpath(processDir);
            writeFile(processDir + QStringLiteral("/stat"),
                      QByteArray::number(pid) + " (" + name + ") S 1 " + QByteArray::number(pid) + ' '
                          + QByteArray::number(pid) + " 0 -1 4194560 2311 0 12 0 " + QByteArray::number(i * 37) + ' '
                          + QByteArray::number(i * 11) + " 0 0 20 0 4 0 " + QByteArray::number(100000 + i)
                          + " 402657280 21870 18446744073709551615 1 1 0 0 0 0 0 4096 81920 0 0 0 17 5 0 0 0 0 0 0 0 0 0 0 0 0 0\n");
            const QByteArray exe = "/usr/lib/tools/" + name;
            writeFile(processDir + QStringLiteral("/cmdline"), exe + '\0' + "--serve" + '\0');
            ::symlink(exe.constData(), QFile::encodeName(processDir + QStringLiteral("/exe")).constData());
        }
    }
    return dir->path();
}

int liveProcessCount()
{
    int count = 0;
    for (const QString& name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        count += name.front().isDigit() ? 1 : 0;
    return count;
}

// Idle children that bring the live table up to about `total` processes.
class Sleepers {
public:
    explicit Sleepers(int total)
    {
        const int missing = total - liveProcessCount();
        char program[] = "/bin/sleep";
        char duration[] = "600";
        char* argv[] = {program, duration, nullptr};
        for (int i = 0; i < missing; ++i) {
            pid_t pid = 0;
            if (::posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0)
                break;
            m_pids.push_back(pid);
        }
    }
    ~Sleepers()
    {
        for (const pid_t pid : m_pids)
            ::kill(pid, SIGKILL);
        for (const pid_t pid : m_pids)
            ::waitpid(pid, nullptr, 0);
    }

private:
    std::vector<pid_t> m_pids;
};

// What the kernel alone costs: one pread of every kept /proc/PID/stat, with
// no listing, parsing or bookkeeping. The scan cannot go below this.
void preadFloor(benchmark::State& state)
{
    std::vector<int> fds;
    for (const QString& name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!name.front().isDigit())
            continue;
        const int fd = ::open(QFile::encodeName(QStringLiteral("/proc/") + name + QStringLiteral("/stat")).constData(),
                              O_RDONLY | O_CLOEXEC);
        if (fd >= 0)
            fds.push_back(fd);
    }
    char buffer[1024];
    for (auto _ : state)
        for (const int fd : fds)
            benchmark::DoNotOptimize(::pread(fd, buffer, sizeof buffer, 0));
    for (const int fd : fds)
        ::close(fd);
    state.counters["processes"] = double(fds.size());
}

void scan(benchmark::State& state, const QString& root, int budget)
{
    ProcessTable table(root, budget);
    table.refresh(); // first sight reads each process's fixed data once
    for (auto _ : state)
        benchmark::DoNotOptimize(table.refresh());
    state.counters["processes"] = double(table.processes().size());
    state.counters["per_process_ns"] = benchmark::Counter(double(table.processes().size()),
                                                          benchmark::Counter::kIsIterationInvariantRate
                                                              | benchmark::Counter::kInvert);
}

} // namespace

static void BM_ProcessTableScanLive(benchmark::State& state)
{
    scan(state, QStringLiteral("/proc"), int(state.range(0)) ? ProcessTable::defaultDescriptorBudget() : 0);
}
BENCHMARK(BM_ProcessTableScanLive)->ArgName("kept")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

static void BM_ProcessTableScanLive1000(benchmark::State& state)
{
    const Sleepers sleepers(1000);
    scan(state, QStringLiteral("/proc"), int(state.range(0)) ? ProcessTable::defaultDescriptorBudget() : 0);
}
BENCHMARK(BM_ProcessTableScanLive1000)->ArgName("kept")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

static void BM_ProcStatPreadFloor(benchmark::State& state)
{
    const Sleepers sleepers(int(state.range(0)));
    preadFloor(state);
}
BENCHMARK(BM_ProcStatPreadFloor)->ArgName("processes")->Arg(0)->Arg(1000)->Unit(benchmark::kMicrosecond);

static void BM_ProcessTableScanFixture(benchmark::State& state)
{
    scan(state, fixtureTree(int(state.range(0))), int(state.range(1)) ? ProcessTable::defaultDescriptorBudget() : 0);
}
BENCHMARK(BM_ProcessTableScanFixture)
    ->ArgNames({"processes", "kept"})
    ->ArgsProduct({{500, 1000, 2000}, {1, 0}})
    ->Unit(benchmark::kMicrosecond);
