#include "core/Format.h"
#include "dashboard/assistant/InfoBlock.h"
#include "dashboard/assistant/SystemInfoView.h"
#include "fakes/InertStatsProvider.h"
#include "fakes/ManualScheduler.h"
#include "theme/ThemeManager.h"
#include "widgets/AccentPillButton.h"

#include <QApplication>
#include <QClipboard>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

TEST(SystemInfoView, ReportOfAFixedRecord)
{
    const MachineHardwareInfo info{"MacBook Pro", "MacBookPro18,3", "Apple M1 Pro", 16.0, 10, 8, 2, 16,
                                   "16-Core Apple Neural Engine", "macOS 15.1", "VKT-12345678-SYS", "200 GB/s"};
    const QString expected = "=== KESTROVA MACHINE DIAGNOSTIC REPORT ===\n"
                             "Model Name: MacBook Pro\n"
                             "Model Identifier: MacBookPro18,3\n"
                             "Processor: Apple M1 Pro\n"
                             "OS Version: macOS 15.1\n"
                             "Total Cores: 10 Cores (Performance: 8 / Efficiency: 2)\n"
                             "GPU Cores: 16 Cores\n"
                             "Neural Engine: 16-Core Apple Neural Engine\n"
                             "Physical Memory: 16.0 GB\n"
                             "Memory Bandwidth: 200 GB/s\n"
                             "Serial ID: VKT-12345678-SYS\n"
                             "============================================";
    EXPECT_EQ(SystemInfoView::diagnosticReport(info), expected);
    EXPECT_EQ(expected.section('\n', -1).size(), 44);

    MachineHardwareInfo odd = info;
    odd.physicalMemoryGB = 15.6;
    EXPECT_TRUE(SystemInfoView::diagnosticReport(odd).contains("\nPhysical Memory: 15.6 GB\n"));
}

TEST(SystemInfoView, FallbackTextsSymbolAndHostIdentifier)
{
    struct Fan {
        QList<double> rpms;
        const char* text;
    };
    for (const Fan& c : {Fan{{}, "0 RPM (Silent Mode)"}, Fan{{0.0}, "0 RPM (Silent Mode)"},
                         Fan{{-3.0}, "0 RPM (Silent Mode)"}, Fan{{2412.6, 900}, "2413 RPM"}})
        EXPECT_EQ(SystemInfoView::fanText(c.rpms), c.text);

    struct Throttle {
        double status;
        const char* text;
    };
    for (const Throttle& c : {Throttle{0, "None (Nominal)"}, Throttle{-1, "None (Nominal)"},
                              Throttle{12.345, "Throttled at 12.3%"}})
        EXPECT_EQ(SystemInfoView::throttlingText(c.status), c.text);

    struct Symbol {
        const char* identifier;
        const char* symbol;
    };
    for (const Symbol& c : {Symbol{"MacBookPro18,3", "macbook"}, Symbol{"MacBookAir10,1", "macbook"},
                            Symbol{"Mac14,13", "macstudio"}, Symbol{"macbook", "macstudio"}, Symbol{"", "macstudio"}})
        EXPECT_EQ(SystemInfoView::symbolFor(c.identifier), c.symbol) << c.identifier;

    const QRegularExpression shape(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{3}\\.\\.\\.$"));
    const QString first = SystemInfoView::hostIdentifier();
    EXPECT_TRUE(shape.match(first).hasMatch()) << first.toStdString();
    EXPECT_NE(first, SystemInfoView::hostIdentifier());
}

class SystemInfoPage : public ::testing::Test {
protected:
    void advance(std::chrono::milliseconds by)
    {
        scheduler.advance(by);
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("s.ini"))};
    ThemeManager theme{settings};
    InertStatsProvider stats;
    ManualScheduler scheduler{false};
    SystemInfoView page{{stats.get(), &theme, &scheduler, nullptr}};
};

TEST_F(SystemInfoPage, ShowsTheDescriptionAndLiveFigures)
{
    stats->setSocTemperature(52.44);
    stats->setFanRPMs({});
    stats->setThrottlingStatus(0);
    stats->setPowerDraw(7.456);
    stats->setBatteryPercentage(81);
    stats->setBatteryIsCharging(true);
    stats->setAiVramTotal(12);
    page.refreshNow();

    const MachineHardwareInfo info = stats->getHardwareInfo();
    EXPECT_EQ(page.rowValue("SoC Core Temp"), QStringLiteral("52.4\u00B0C"));
    EXPECT_EQ(page.rowValue("Active Fan Configuration"), "0 RPM (Silent Mode)");
    EXPECT_EQ(page.rowValue("Thermal Throttling"), "None (Nominal)");
    EXPECT_EQ(page.rowValue("Power Draw"), "7.46 Watts");
    EXPECT_EQ(page.rowValue("Battery Charge"), "81%");
    EXPECT_EQ(page.rowValue("Charging Status"), "Charging");
    EXPECT_EQ(page.rowValue("VRAM Allocation Limit"), "12.0 GB Max VRAM");
    EXPECT_EQ(page.rowValue("Physical Memory"),
              kestrova::format("%.0f GB Unified Memory", info.physicalMemoryGB));
    EXPECT_EQ(page.rowValue("Total CPU Cores"), QString::number(info.cpuCores) + " Cores");
    EXPECT_EQ(page.rowValue("System Serial ID"), info.serialNumber);
    EXPECT_EQ(page.rowValue("Platform Type"), "Darwin arm64");
    EXPECT_EQ(page.symbolName(), SystemInfoView::symbolFor(info.modelIdentifier));
    ASSERT_EQ(page.blocks().size(), 6);
    EXPECT_EQ(page.blocks()[5]->title(), "Power Profile");
}

TEST_F(SystemInfoPage, CopyPutsTheReportOnTheClipboardForTwoSeconds)
{
    QApplication::clipboard()->setText(QStringLiteral("before"));
    page.copyButton()->click();
    EXPECT_EQ(QApplication::clipboard()->text(), SystemInfoView::diagnosticReport(stats->getHardwareInfo()));
    EXPECT_TRUE(page.copiedReport());
    EXPECT_EQ(page.copyButton()->text(), "Copied Spec Report!");
    EXPECT_EQ(page.copyButton()->symbol(), "checkmark");

    // A second copy a second later: the first reset still ends the state at
    // 2 s, and the second one writes false again at 3 s.
    advance(1000ms);
    page.copyButton()->click();
    advance(1000ms);
    EXPECT_FALSE(page.copiedReport());
    EXPECT_EQ(page.copyButton()->text(), "Copy Spec Report");
    EXPECT_EQ(page.copyButton()->symbol(), "doc.on.doc");
    advance(1000ms);
    EXPECT_FALSE(page.copiedReport());
    EXPECT_EQ(scheduler.pendingCount(), 0);
}

} // namespace
