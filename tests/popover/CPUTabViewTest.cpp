#include "theme/ThemeManager.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeProcessSignaller.h"
#include "fakes/RecordingRandom.h"
#include "platform/ProcessTable.h"
#include "platform/SessionProcessGuard.h"
#include "popover/CPUTabView.h"
#include "widgets/CoreUsageGraphView.h"
#include "support/InertServices.h"
#include "support/ProcTreeBuilder.h"
#include "widgets/CardFrame.h"
#include "widgets/ElidedLabel.h"
#include "widgets/KeyedRowList.h"
#include "widgets/LegendItem.h"
#include "widgets/PlainLabel.h"
#include "widgets/ProcessRow.h"
#include "widgets/RingGauge.h"
#include "widgets/SparklineView.h"
#include "widgets/SymbolButton.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const AppTheme kCyberpunk = AppTheme::cyberpunk;

ProcessInfoData process(qint32 pid, const QString& fullPath, double cpu)
{
    ProcessInfoData p;
    p.id = pid;
    p.fullPath = fullPath;
    p.name = fullPath.section(QLatin1Char('/'), -1);
    p.cpuUsage = cpu;
    return p;
}

QString valueOf(QWidget* row) { return row->findChild<PlainLabel*>(QStringLiteral("value"))->text(); }
QString nameOf(QWidget* row) { return row->findChild<ElidedLabel*>(QStringLiteral("name"))->text(); }
SymbolButton* freezeOf(QWidget* row) { return row->findChild<SymbolButton*>(QStringLiteral("freezeButton")); }

class CPUTabViewTest : public ::testing::Test {
protected:
    std::unique_ptr<CPUTabView> make(ProcessMonitor* monitor = nullptr)
    {
        auto page = std::make_unique<CPUTabView>(s.stats.get(), monitor ? monitor : s.processMonitor.get(), nullptr,
                                                 CPUTabView::Services{&s.settings, &s.themes, &s.random});
        page->resize(320, 900);
        page->show();
        return page;
    }

    InertServices s;
};

TEST_F(CPUTabViewTest, WholeNumbersTruncateAndFiguresThatAreNotNumbersReadZero)
{
    auto page = make();
    s.stats->setSocTemperature(47.9);
    s.stats->setCpuUsage(50);
    page->refreshNow();
    EXPECT_EQ(page->temperatureLabel()->text(), "1.89 GHz, 47\u00b0");
    EXPECT_EQ(page->userLabel()->text(), "30%");
    EXPECT_EQ(page->systemLabel()->text(), "20%");
    EXPECT_EQ(page->loadGraph()->data(), s.stats->cpuHistory());

    s.stats->setCpuUsage(0);
    s.stats->setSocTemperature(kNaN);
    s.stats->setGpuTemperature(1e300);
    s.stats->setFanRPMs({std::numeric_limits<double>::infinity()});
    page->refreshNow();
    EXPECT_EQ(page->userLabel()->text(), "0%");
    EXPECT_EQ(page->systemLabel()->text(), "0%");
    EXPECT_EQ(page->temperatureLabel()->text(), "1.89 GHz, 0\u00b0");
    EXPECT_EQ(page->gpuTemperatureLabel()->text(), "0\u00b0");
    EXPECT_EQ(page->fanSpeedLabel()->text(), "0 RPM");

    // The GPU card is the same whatever the telemetry.
    QStringList gauges;
    for (const RingGauge* gauge : page->gpuGauges())
        gauges << gauge->text() + '@' + QString::number(gauge->fraction());
    EXPECT_EQ(gauges, QStringList({"11%@0.11", "7%@0.07", "102\u00b0@1", "0.34@0.34"}));
}

TEST_F(CPUTabViewTest, AdvancedCardFollowsTheSettingLive)
{
    auto page = make();
    EXPECT_TRUE(page->advancedCard()->isHidden());

    s.settings.setAdvancedMode(true);
    s.stats->setFanRPMs({});
    QCoreApplication::processEvents();
    EXPECT_TRUE(page->advancedCard()->isVisible());
    EXPECT_EQ(page->fanSpeedLabel()->text(), "0 RPM");
    EXPECT_EQ(page->throttlingLabel()->text(), "0%");
    EXPECT_EQ(page->throttlingLabel()->textColor(), UiColor(SystemColor::primary));

    s.stats->setFanRPMs({1560.7, 900});
    s.stats->setThrottlingStatus(12.5);
    s.stats->setGpuTemperature(61.9);
    QCoreApplication::processEvents();
    EXPECT_EQ(page->fanSpeedLabel()->text(), "1560 RPM");
    EXPECT_EQ(page->throttlingLabel()->text(), "12%");
    EXPECT_EQ(page->throttlingLabel()->textColor(), UiColor(SystemColor::red));
    EXPECT_EQ(page->gpuTemperatureLabel()->text(), "61\u00b0");

    s.settings.setAdvancedMode(false);
    QCoreApplication::processEvents();
    EXPECT_TRUE(page->advancedCard()->isHidden());
}

TEST_F(CPUTabViewTest, ShowsTheFirstFourProcessesWithFreezeOnlyWhereAllowed)
{
    auto page = make();
    EXPECT_EQ(page->processList()->count(), 0); // the title line alone
    EXPECT_TRUE(page->pausedNote()->isHidden());

    QList<ProcessInfoData> ten;
    for (int i = 0; i < 10; ++i)
        ten << process(500 + i, QStringLiteral("/usr/bin/tool%1").arg(i), 90.0 - i);
    s.processMonitor->setTopProcesses(ten);
    page->refreshNow();
    EXPECT_EQ(page->processList()->keys(), QStringList({"500", "501", "502", "503"}));
    QWidget* first = page->processList()->row("500");
    EXPECT_EQ(nameOf(first), "tool0");
    EXPECT_EQ(valueOf(first), "90.0%");
    EXPECT_EQ(first->toolTip(), QString::fromLatin1(CPUTabView::processRowHelp));

    // The full path setting switches the names live, on the same rows.
    s.settings.setShowFullProcessPath(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(page->processList()->row("500"), first);
    EXPECT_EQ(nameOf(first), "/usr/bin/tool0");

    const auto ownPid = qint32(QCoreApplication::applicationPid());
    s.processMonitor->setTopProcesses(
        {process(0, "kernel", 5), process(1, "/sbin/init", 4), process(ownPid, "/tmp/self", 3),
         process(2, "kthreadd", 2)});
    page->refreshNow();
    QStringList withFreeze;
    for (QWidget* row : page->processList()->rows())
        withFreeze << (freezeOf(row)->isHidden() ? "-" : "freeze");
    EXPECT_EQ(withFreeze, QStringList({"-", "-", "-", "freeze"}));

    s.processMonitor->setTopProcesses(ten.mid(0, 2));
    s.processMonitor->setIsPaused(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(page->processList()->keys(), QStringList({"500", "501"}));
    EXPECT_FALSE(page->pausedNote()->isHidden());
    EXPECT_EQ(page->pausedNote()->text(), "(Paused for interaction)");
}

TEST_F(CPUTabViewTest, ThemeRecoloursTheAccentParts)
{
    auto page = make();
    s.themes.setCurrentTheme(kCyberpunk);
    QCoreApplication::processEvents();
    EXPECT_EQ(page->titleLabel()->textColor(), kCyberpunk.accentColor());
    EXPECT_EQ(page->loadGraph()->color(), kCyberpunk.accentColor());
    EXPECT_EQ(page->gpuGauges().first()->color(), kCyberpunk.accentColor());
    EXPECT_EQ(page->coreUsageView()->efficiencyRings().first()->color(), kCyberpunk.secondaryAccent());
    EXPECT_EQ(page->coreUsageView()->performanceLegend()->color(), kCyberpunk.accentColor());
}

// A click on the freeze button reaches the process monitor at once; the
// row itself follows the monitor's next list.
TEST(CPUTabViewFreeze, ClickStopsTheProcessAndTheNextListShowsItFrozen)
{
    constexpr qint32 pid = 4242;
    ProcTreeBuilder tree;
    ProcTreeBuilder::Process p;
    p.pid = pid;
    p.name = "make";
    p.exe = "/usr/bin/make";
    p.arguments = {p.exe};
    p.utime = 90000;
    p.startTime = 100000;
    tree.write(p);
    ProcessTable table(tree.root());
    SessionProcessGuard guard(tree.root());
    FakeProcessSignaller signaller;
    signaller.alive.insert(pid);
    FakeClock clock;
    RecordingRandom random;
    ProcessMonitor monitor(ProcessMonitor::Deps{&table, &signaller, &guard, nullptr, &clock, &random, {}});
    monitor.tick();

    InertServices s;
    CPUTabView page(s.stats.get(), &monitor, nullptr, {&s.settings, &s.themes, &s.random});
    page.resize(320, 900);
    page.show();
    QWidget* row = page.processList()->row(QString::number(pid));
    ASSERT_NE(row, nullptr);
    const QString running = valueOf(row);

    QTest::mouseClick(freezeOf(row), Qt::LeftButton);
    EXPECT_EQ(signaller.sent, (QList<FakeProcessSignaller::Sent>{{pid, SIGSTOP}}));
    EXPECT_TRUE(monitor.suspendedPids().contains(pid));
    QCoreApplication::processEvents();
    EXPECT_EQ(valueOf(row), running); // not before the next list

    monitor.tick();
    QCoreApplication::processEvents();
    EXPECT_EQ(page.processList()->row(QString::number(pid)), row);
    EXPECT_EQ(valueOf(row), "FROZEN");
    EXPECT_EQ(freezeOf(row)->symbol(), "play.fill");

    QTest::mouseClick(freezeOf(row), Qt::LeftButton);
    EXPECT_EQ(signaller.sent.last(), (FakeProcessSignaller::Sent{pid, SIGCONT}));
    EXPECT_FALSE(monitor.suspendedPids().contains(pid));
}

TEST(CoreUsageGraphView, ElevenRingsWithFillsInTheirRangesDrawnAtEveryRedrawNeverWhilePainting)
{
    InertServices s;
    RecordingRandom random(1234);
    CoreUsageGraphView view(s.stats.get(), nullptr, {&s.themes, &random});
    view.show();
    ASSERT_EQ(view.efficiencyRings().size(), 4);
    ASSERT_EQ(view.performanceRings().size(), 7);

    const auto fills = [&] {
        QList<double> result;
        for (const RingGauge* ring : view.efficiencyRings())
            result << ring->fraction();
        for (const RingGauge* ring : view.performanceRings())
            result << ring->fraction();
        return result;
    };
    const auto checkRanges = [&] {
        const QList<double> f = fills();
        for (int i = 0; i < 11; ++i) {
            const bool efficiency = i < 4;
            EXPECT_GE(f[i], efficiency ? 0.1 : 0.05) << i;
            EXPECT_LE(f[i], efficiency ? 0.9 : 0.4) << i;
        }
        // Drawn in order: efficiency rings first.
        const auto tail = random.ranges.mid(random.ranges.size() - 11);
        EXPECT_EQ(tail.first(), qMakePair(0.1, 0.9));
        EXPECT_EQ(tail.last(), qMakePair(0.05, 0.4));
        EXPECT_EQ(f, random.values.mid(random.values.size() - 11));
    };
    checkRanges();
    const QList<double> before = fills();

    const qsizetype draws = random.values.size();
    view.grab(); // painting draws nothing
    EXPECT_EQ(random.values.size(), draws);

    s.stats->setEClusterUsage(33.6);
    s.stats->setPClusterUsage(4.4);
    view.refreshNow();
    checkRanges();
    EXPECT_NE(fills(), before);
    EXPECT_EQ(view.efficiencyLegend()->value(), "34%");
    EXPECT_EQ(view.performanceLegend()->value(), "4%");
    EXPECT_EQ(view.efficiencyLegend()->label(), "Efficiency Cores");
}

} // namespace

// The list holds still under the pointer: entering it pauses the monitor
// (and shows the note), a tick meanwhile keeps the order, leaving resumes.
// A kernel thread in the list gets no freeze button.
TEST(CPUTabViewHover, PointerOverTheProcessesPausesTheMonitor)
{
    ProcTreeBuilder tree;
    tree.setUptime(10000);
    const auto write = [&](qint32 pid, QByteArray name, QByteArray exe, quint64 utime) {
        ProcTreeBuilder::Process p;
        p.pid = pid;
        p.name = name;
        p.exe = exe;
        if (!exe.isEmpty())
            p.arguments = {exe};
        p.utime = utime;
        p.startTime = 100000;
        tree.write(p);
    };
    write(4001, "make", "/usr/bin/make", 500000);
    write(4002, "cc1plus", "/usr/bin/cc1plus", 300000);
    write(4003, "kworker/2:1", {}, 100000);
    ProcessTable table(tree.root());
    SessionProcessGuard guard(tree.root());
    FakeProcessSignaller signaller;
    FakeClock clock;
    RecordingRandom random;
    ProcessMonitor monitor(ProcessMonitor::Deps{&table, &signaller, &guard, nullptr, &clock, &random, {}});
    monitor.tick();

    InertServices s;
    CPUTabView page(s.stats.get(), &monitor, nullptr, {&s.settings, &s.themes, &s.random});
    page.resize(320, 900);
    page.show();
    page.refreshNow();
    const QStringList busiestFirst{"4001", "4002", "4003"};
    ASSERT_EQ(page.processList()->keys(), busiestFirst);
    EXPECT_FALSE(freezeOf(page.processList()->row("4001"))->isHidden());
    EXPECT_TRUE(freezeOf(page.processList()->row("4003"))->isHidden());

    QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
    QCoreApplication::sendEvent(page.processList(), &enter);
    EXPECT_TRUE(monitor.isPaused());
    page.refreshNow();
    EXPECT_FALSE(page.pausedNote()->isHidden());

    write(4002, "cc1plus", "/usr/bin/cc1plus", 900000); // now the busiest
    tree.setUptime(10002);
    monitor.tick();
    page.refreshNow();
    EXPECT_EQ(page.processList()->keys(), busiestFirst);

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(page.processList(), &leave);
    EXPECT_FALSE(monitor.isPaused());
    monitor.tick();
    page.refreshNow();
    EXPECT_TRUE(page.pausedNote()->isHidden());
    EXPECT_EQ(page.processList()->keys(), QStringList({"4002", "4001", "4003"}));
}
