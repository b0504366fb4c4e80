#include "platform/HardwareDescriptionReader.h"

#include "support/ScratchTree.h"

#include <gtest/gtest.h>

namespace {

SystemPaths fixtureRoots(const QString& machine)
{
    const QString root = testDataPath(QStringLiteral("hardware/") + machine);
    SystemPaths paths;
    paths.procRoot = root + QStringLiteral("/proc");
    paths.sysRoot = root + QStringLiteral("/sys");
    paths.etcRoot = root + QStringLiteral("/etc");
    return paths;
}

} // namespace

TEST(HardwareDescriptionReaderTest, DmiModelCpuInfoBrandAndOsRelease)
{
    HardwareDescriptionReader reader(fixtureRoots(QStringLiteral("intel-mac")));
    const HardwareDescription& d = reader.description();
    EXPECT_EQ(d.modelIdentifier, QStringLiteral("MacBookPro11,1"));
    EXPECT_EQ(d.processorBrand, QStringLiteral("Intel(R) Core(TM) i7-4558U CPU @ 2.80GHz"));
    EXPECT_EQ(d.osVersion, QStringLiteral("Debian GNU/Linux 12 (bookworm), kernel 6.1.0-18-amd64"));
    EXPECT_GT(d.physicalMemoryBytes, 0u);
    EXPECT_GE(d.logicalCpuCount, 1);
}

TEST(HardwareDescriptionReaderTest, DevicetreeModelAndNoBrandOnArm)
{
    HardwareDescriptionReader reader(fixtureRoots(QStringLiteral("asahi")));
    const HardwareDescription& d = reader.description();
    EXPECT_EQ(d.modelIdentifier, QStringLiteral("Apple MacBook Pro (14-inch, M2 Max, 2023)")) << "NUL stripped";
    EXPECT_EQ(d.processorBrand, QString()) << "arm64 cpuinfo has no model name";
    EXPECT_EQ(d.osVersion, QStringLiteral("Fedora Linux 39 (Asahi Remix), kernel 6.6.3-414.asahi.fc39.aarch64+16k"))
        << "os-release from /usr/lib, NAME and VERSION when PRETTY_NAME is missing";
}

TEST(HardwareDescriptionReaderTest, DevicetreeWinsOverDmiAndAnEmptyRootStillDescribes)
{
    ScratchTree tree;
    tree.write(QStringLiteral("sys/firmware/devicetree/base/model"), QByteArray("Raspberry Pi 4 Model B Rev 1.4\0", 31));
    tree.write(QStringLiteral("sys/class/dmi/id/product_name"), "Generic Board\n");
    SystemPaths paths;
    paths.sysRoot = tree.path(QStringLiteral("sys"));
    paths.procRoot = tree.path(QStringLiteral("proc"));
    paths.etcRoot = tree.path(QStringLiteral("etc"));
    HardwareDescriptionReader reader(paths);
    EXPECT_EQ(reader.description().modelIdentifier, QStringLiteral("Raspberry Pi 4 Model B Rev 1.4"));
    EXPECT_TRUE(reader.description().osVersion.startsWith(QStringLiteral("Linux, kernel ")))
        << "no os-release: a plain name and the running kernel";
}

TEST(HardwareDescriptionReaderTest, OsReleaseQuotingAndCpuInfoParsing)
{
    EXPECT_EQ(HardwareDescriptionReader::prettyNameFromOsRelease(
                  "NAME=Arch\nPRETTY_NAME=\"Say \\\"hi\\\" Linux\"\n# PRETTY_NAME=ignored\n"),
              QStringLiteral("Say \"hi\" Linux"));
    EXPECT_EQ(HardwareDescriptionReader::prettyNameFromOsRelease("PRETTY_NAME='Single Quoted'\n"),
              QStringLiteral("Single Quoted"));
    EXPECT_EQ(HardwareDescriptionReader::prettyNameFromOsRelease(""), QString());
    EXPECT_EQ(HardwareDescriptionReader::brandFromCpuInfo("model\t\t: 69\nmodel name\t:   AMD EPYC 7B13  \n"),
              QStringLiteral("AMD EPYC 7B13"))
        << "the model line is not the model name";
}

TEST(HardwareDescriptionReaderTest, ThisMachineDescribesItself)
{
    HardwareDescriptionReader reader;
    const HardwareDescription& d = reader.description();
    EXPECT_GT(d.physicalMemoryBytes, 0u);
    EXPECT_GE(d.logicalCpuCount, 1);
    EXPECT_FALSE(d.osVersion.isEmpty());
    EXPECT_EQ(&reader.description(), &d) << "read once and kept";
}
