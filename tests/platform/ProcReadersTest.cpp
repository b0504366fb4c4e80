#include "support/ScratchTree.h"

#include "platform/KeptOpenFile.h"
#include "platform/ProcMemInfoReader.h"
#include "platform/ProcStatReader.h"
#include "platform/ZramStatReader.h"

#include <gtest/gtest.h>

namespace {

constexpr quint64 KiB = 1024;

TEST(ProcStatReader, ReadsEveryCpuLineWithTheKernelsClassesFolded)
{
    ProcStatReader reader(QStringLiteral(KESTROVA_TEST_DATA "/telemetry/intel-hybrid/proc"));
    std::vector<CpuTicks> cpus;
    ASSERT_TRUE(reader.read(cpus));
    ASSERT_EQ(cpus.size(), 16u);
    // cpu3: user 1003, nice 5, system 300, idle 9000, iowait 40, irq 10, softirq 20, steal 0
    EXPECT_EQ(cpus[3], (CpuTicks{3, 1003, 300 + 10 + 20 + 0, 9000 + 40, 5}));
    EXPECT_EQ(cpus.back().cpu, 15);
}

TEST(ProcStatReader, KeepsCpuNumbersAcrossGapsAndCountersBeyond32Bits)
{
    ProcStatReader reader(QStringLiteral(KESTROVA_TEST_DATA "/telemetry/uniform-desktop/proc"));
    std::vector<CpuTicks> cpus;
    ASSERT_TRUE(reader.read(cpus));
    std::vector<int> numbers;
    for (const CpuTicks& t : cpus)
        numbers.push_back(t.cpu);
    EXPECT_EQ(numbers, (std::vector<int>{0, 1, 3, 4, 5}));
    EXPECT_EQ(cpus[2].user, 4294967296ull + 3000);
    EXPECT_EQ(cpus[2].system, 800u + 3 + 4 + 1);
}

TEST(ProcStatReader, ShortAndMalformedLines)
{
    std::vector<CpuTicks> cpus;
    // Missing columns read as 0; a line without a number is not a CPU.
    ASSERT_TRUE(ProcStatReader::parse("cpu  1 2 3 4\ncpu0 1 2\ncpuX 5 5 5 5\nintr 1\n", cpus));
    ASSERT_EQ(cpus.size(), 1u);
    EXPECT_EQ(cpus[0], (CpuTicks{0, 1, 0, 0, 2}));
    // A last line without a newline still counts.
    ASSERT_TRUE(ProcStatReader::parse("cpu0 1 2 3 4 5 6 7 8", cpus));
    EXPECT_EQ(cpus[0], (CpuTicks{0, 1, 3 + 6 + 7 + 8, 4 + 5, 2}));
    // An absurd CPU number is refused, not used as an index later.
    EXPECT_FALSE(ProcStatReader::parse("cpu99999999999 1 2 3 4\n", cpus));
    EXPECT_FALSE(ProcStatReader::parse("", cpus));
}

TEST(ProcStatReader, MissingFileFailsAndAppearingFileIsPickedUp)
{
    ScratchTree tree;
    ProcStatReader reader(tree.proc());
    std::vector<CpuTicks> cpus;
    EXPECT_FALSE(reader.read(cpus));
    tree.write(QStringLiteral("proc/stat"), "cpu0 1 0 1 1\n");
    ASSERT_TRUE(reader.read(cpus));
    EXPECT_EQ(cpus[0].user, 1u);
}

TEST(KeptOpenFile, RereadsInPlaceChangesAndGrowsPastItsBuffer)
{
    ScratchTree tree;
    tree.write(QStringLiteral("proc/stat"), "first\n");
    KeptOpenFile file(tree.proc() + QStringLiteral("/stat"), 64);
    std::string_view text;
    ASSERT_TRUE(file.read(text));
    EXPECT_EQ(text, "first\n");

    const QByteArray big(1000, 'x');
    tree.write(QStringLiteral("proc/stat"), big);
    ASSERT_TRUE(file.read(text));
    EXPECT_EQ(text.size(), 1000u);

    tree.write(QStringLiteral("proc/stat"), "second\n");
    ASSERT_TRUE(file.read(text));
    EXPECT_EQ(text, "second\n");
}

TEST(ProcMemInfoReader, ReadsTheLinesInBytes)
{
    ProcMemInfoReader reader(QStringLiteral(KESTROVA_TEST_DATA "/telemetry/intel-hybrid/proc"));
    MemInfo info;
    ASSERT_TRUE(reader.read(info));
    EXPECT_EQ(info.memTotal, 32594112 * KiB);
    // "Active:" only, not "Active(anon)" or "Active(file)".
    EXPECT_EQ(info.active, 6291456 * KiB);
    EXPECT_EQ(info.memAvailable, 20011200 * KiB);
    EXPECT_EQ(info.zswap, 262144 * KiB);
    EXPECT_EQ(info.wired(), (131072 + 32768 + 98304 + 524288) * KiB);
    EXPECT_EQ(info.swapUsed(), (8388604 - 7340028) * KiB);
}

TEST(ProcMemInfoReader, AbsentLinesStayAbsent)
{
    const MemInfo info = ProcMemInfoReader::parse("MemTotal: 1000 kB\nSwapTotal: 10 kB\nHugePages_Total: 5\nActive: x kB\n");
    EXPECT_EQ(info.memTotal, 1000 * KiB);
    EXPECT_FALSE(info.active);     // unparsable
    EXPECT_FALSE(info.zswap);      // older kernel
    EXPECT_FALSE(info.swapUsed()); // SwapFree missing
    EXPECT_FALSE(info.inUse()); // MemAvailable missing
    EXPECT_FALSE(info.application(0));
    // Free above total (a racing read) gives 0 in use, not a wrapped count.
    EXPECT_EQ(ProcMemInfoReader::parse("SwapTotal: 10 kB\nSwapFree: 20 kB\n").swapUsed(), 0u);

    ScratchTree tree;
    ProcMemInfoReader missing(tree.proc());
    MemInfo untouched;
    untouched.active = 5;
    EXPECT_FALSE(missing.read(untouched));
    EXPECT_EQ(untouched.active, 5u);
}

// Kernels without MemAvailable fall back to what processes map.
TEST(ProcMemInfoReader, AppMemoryIsWhatWiredAndCompressedLeaveOfTheMemoryInUse)
{
    const std::tuple<const char*, quint64, std::optional<quint64>> cases[] = { // meminfo, compressed, App
        // AnonPages still counts pages freed with MADV_FREE; MemAvailable does not.
        {"MemTotal: 1000 kB\nMemAvailable: 600 kB\nAnonPages: 900 kB\nUnevictable: 10 kB\nKernelStack: 20 kB\n"
         "PageTables: 30 kB\nSUnreclaim: 40 kB\n", 50 * KiB, 250 * KiB},
        // Wired and compressed above the memory in use (lines read at different moments): none, not a wrap.
        {"MemTotal: 1000 kB\nMemAvailable: 990 kB\nSUnreclaim: 40 kB\n", 0, 0},
        {"MemTotal: 1000 kB\nMemAvailable: 1200 kB\n", 0, 0},
        {"MemTotal: 1000 kB\nAnonPages: 300 kB\nShmem: 20 kB\nActive(anon): 1 kB\nInactive(anon): 2 kB\n", 50 * KiB,
         320 * KiB},
        {"MemAvailable: 600 kB\nActive(anon): 1 kB\nInactive(anon): 2 kB\nActive: 5 kB\n", 0, 3 * KiB},
        {"Active(anon): 1 kB\nActive: 5 kB\n", 0, 5 * KiB},
        {"MemTotal: 1000 kB\n", 0, std::nullopt},
    };
    for (const auto& [meminfo, compressed, application] : cases)
        EXPECT_EQ(ProcMemInfoReader::parse(meminfo).application(compressed), application) << meminfo;
}

TEST(ZramStatReader, SumsTheMemoryEveryDeviceUses)
{
    ZramStatReader reader(QStringLiteral(KESTROVA_TEST_DATA "/telemetry/arm-biglittle/sys"));
    EXPECT_EQ(reader.deviceCount(), 2u);
    EXPECT_EQ(reader.compressedBytes(), 150994944u + 2097152u);

    ZramStatReader none(QStringLiteral(KESTROVA_TEST_DATA "/telemetry/intel-hybrid/sys"));
    EXPECT_EQ(none.deviceCount(), 0u);
    EXPECT_FALSE(none.compressedBytes());
}

} // namespace
