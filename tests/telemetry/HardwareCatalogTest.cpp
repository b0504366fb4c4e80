#include "telemetry/HardwareCatalog.h"

#include <QRegularExpression>

#include <tuple>

#include <gtest/gtest.h>

namespace {

HardwareDescription machine(const QString& identifier, const QString& brand)
{
    HardwareDescription d;
    d.modelIdentifier = identifier;
    d.processorBrand = brand;
    d.physicalMemoryBytes = 16ull << 30;
    d.logicalCpuCount = 10;
    d.osVersion = QStringLiteral("Debian GNU/Linux 12 (bookworm), kernel 6.1.0");
    return d;
}

} // namespace

TEST(HardwareCatalogTest, ModelNamesByCaseSensitivePrefix)
{
    const std::pair<const char*, const char*> cases[] = {
        {"MacBookPro18,3", "MacBook Pro"}, {"MacBookAir10,1", "MacBook Air"}, {"MacStudio1,1", "Mac Studio"},
        {"MacMini9,1", "Mac mini"},       {"MacPro7,1", "Mac Pro"},          {"iMac21,1", "iMac"},
        {"Mac14,2", "Mac14,2"},           {"Macmini9,1", "Macmini9,1"},      {"", "Mac"},
        {"ThinkPad X1 Carbon Gen 9", "ThinkPad X1 Carbon Gen 9"},
    };
    for (const auto& [identifier, name] : cases)
        EXPECT_EQ(HardwareCatalog::modelNameFor(QString::fromUtf8(identifier)), QString::fromUtf8(name)) << identifier;
}

TEST(HardwareCatalogTest, NeuralEngineAndBandwidthByBrand)
{
    struct Case {
        const char* brand;
        const char* engine;
        const char* bandwidth;
    };
    const char* proEngine = "16-Core Apple Neural Engine (Up to 15.8 TOPS)";
    const Case cases[] = {
        {"Apple M1", "16-Core Apple Neural Engine", "68.25 GB/s"},
        {"Apple M1 Pro", proEngine, "200 GB/s"},
        {"Apple M1 Max", proEngine, "400 GB/s"},
        {"Apple M1 Ultra", "32-Core Apple Neural Engine (Up to 31.6 TOPS)", "68.25 GB/s"},
        {"Apple M2", "16-Core Apple Neural Engine", "100 GB/s"},
        {"Apple M2 Pro", proEngine, "200 GB/s"},
        {"Apple M2 Max", proEngine, "400 GB/s"},
        {"Apple M3", "16-Core Apple Neural Engine", "100 GB/s"},
        {"Apple M3 Pro", proEngine, "150 GB/s"},
        {"Apple M3 Max", proEngine, "300 - 400 GB/s"},
        {"Apple M4", "16-Core Apple Neural Engine", "150 GB/s"},
        {"Apple M4 Pro", proEngine, "273 GB/s"},
        {"Apple M4 Max", proEngine, "410 GB/s"},
        {"Intel(R) Core(TM) i9-9980HK CPU @ 2.40GHz", "Intel CPU (No Apple Neural Engine)", "Dual-Channel System RAM"},
        // Substring tests, as written: an AMD "Pro" part is still not Apple,
        // and "M2" inside another brand picks that family.
        {"AMD Ryzen 7 PRO 7840U", "Intel CPU (No Apple Neural Engine)", "Dual-Channel System RAM"},
        {"Intel Xeon M2 Max", "Intel CPU (No Apple Neural Engine)", "400 GB/s"},
        {"apple m2", "Intel CPU (No Apple Neural Engine)", "Dual-Channel System RAM"},
    };
    for (const Case& c : cases) {
        const QString brand = QString::fromUtf8(c.brand);
        EXPECT_EQ(HardwareCatalog::neuralEngineFor(brand), QString::fromUtf8(c.engine)) << c.brand;
        EXPECT_EQ(HardwareCatalog::memoryBandwidthFor(brand), QString::fromUtf8(c.bandwidth)) << c.brand;
    }
}

TEST(HardwareCatalogTest, DescribeTrimsTheBrandAndFillsEveryField)
{
    const MachineHardwareInfo info =
        HardwareCatalog::describe(machine(QStringLiteral("MacBookPro18,3"), QStringLiteral("  Apple M2 Max\n")), 8, 4, 24);
    EXPECT_EQ(info.modelName, QStringLiteral("MacBook Pro"));
    EXPECT_EQ(info.processor, QStringLiteral("Apple M2 Max"));
    EXPECT_EQ(info.neuralEngine, QStringLiteral("16-Core Apple Neural Engine (Up to 15.8 TOPS)"));
    EXPECT_EQ(info.memoryBandwidth, QStringLiteral("400 GB/s"));
    EXPECT_EQ(std::tuple(info.cpuCores, info.performanceCores, info.efficiencyCores, info.gpuCores), std::tuple(10, 8, 4, 24));
}

TEST(HardwareCatalogTest, EmptyBrandAndZeroCoreCountsFallBack)
{
    HardwareDescription d = machine(QString(), QStringLiteral(" \n"));
    d.physicalMemoryBytes = 3ull << 29;
    const MachineHardwareInfo info = HardwareCatalog::describe(d, 0, -1, 0);
    EXPECT_EQ(info.modelName, QStringLiteral("Mac"));
    EXPECT_EQ(info.processor, QStringLiteral("Apple Silicon"));
    EXPECT_EQ(info.neuralEngine, QStringLiteral("Intel CPU (No Apple Neural Engine)"));
    EXPECT_EQ(info.memoryBandwidth, QStringLiteral("Dual-Channel System RAM"));
    EXPECT_EQ(info.performanceCores, 4);
    EXPECT_EQ(info.efficiencyCores, 4);
    EXPECT_EQ(info.gpuCores, 0) << "passed through unchanged";
    EXPECT_DOUBLE_EQ(info.physicalMemoryGB, 1.5) << "not rounded";
}

TEST(HardwareCatalogTest, DisplaySerialHasItsFormAndIsStableWithinARun)
{
    const QRegularExpression form(QStringLiteral("^VKT-[0-9]{1,8}-SYS$"));
    for (const QString& identifier : {QStringLiteral("MacBookPro18,3"), QString(), QStringLiteral("Mac14,2"),
                                      QStringLiteral("Standard PC (Q35 + ICH9, 2009)")}) {
        const QString serial = HardwareCatalog::displaySerialFor(identifier);
        EXPECT_TRUE(form.match(serial).hasMatch()) << serial.toStdString();
        EXPECT_EQ(HardwareCatalog::displaySerialFor(identifier), serial);
    }
    const HardwareDescription d = machine(QStringLiteral("MacBookPro18,3"), QStringLiteral("Apple M1"));
    EXPECT_EQ(HardwareCatalog::describe(d, 4, 4, 16).serialNumber, HardwareCatalog::describe(d, 4, 4, 16).serialNumber);
}
