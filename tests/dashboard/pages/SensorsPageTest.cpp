#include "dashboard/pages/SensorsPage.h"

#include "dashboard/DashboardPageState.h"
#include "dashboard/DashboardRouter.h"
#include "dashboard/pages/PageRules.h"
#include "support/InertServices.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"
#include "widgets/SensorCircle.h"
#include "widgets/SensorRow.h"
#include "widgets/SymbolButton.h"

#include <QCoreApplication>
#include <QEvent>

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

ProcessInfoData process(qint32 pid, double cpu)
{
    ProcessInfoData p;
    p.id = pid;
    p.name = QStringLiteral("p%1").arg(pid);
    p.cpuUsage = cpu;
    return p;
}

bool hasFreeze(QWidget* row) { return !row->findChild<SymbolButton*>(QStringLiteral("freezeButton"))->isHidden(); }

} // namespace

TEST(SensorsPage, ForecastTakesTheFirstRuleThatHoldsWithStrictBounds)
{
    const QString throttling = QStringLiteral("Thermal throttling predicted in 4 minutes. Initiating preemptive fan curve.");
    const QString stable = QStringLiteral("Temperature stable, but expected to rise. Monitoring closely.");
    const QString optimal = QStringLiteral("Thermals optimal. Passive cooling sufficient.");
    struct Case {
        double cpu, temp;
        const QString& text;
    };
    for (const Case& c : {Case{85, 70, stable}, Case{80.1, 75.1, throttling}, Case{80, 90, stable},
                          Case{90, 75, stable}, Case{50, 90, optimal}, Case{50.1, 20, stable},
                          Case{kNaN, kNaN, optimal}, Case{0, 0, optimal}})
        EXPECT_EQ(SensorsPage::forecastText(c.cpu, c.temp), c.text) << c.cpu << ' ' << c.temp;
}

TEST(SensorsPage, ReadingsAreWholeNumbersWithAPlaceholderForNonFinite)
{
    InertServices s;
    SensorsPage page({s.stats.get(), s.processMonitor.get(), &s.settings, &s.themes, &s.random});
    const auto texts = [&] {
        QStringList shown{page.socLabel()->text()};
        for (const SensorCircle* gauge : page.gauges())
            shown << gauge->value();
        for (const SensorRow* row : page.readings())
            shown << row->value();
        return shown;
    };
    s.stats->setSocTemperature(67.9);
    s.stats->setCpuUsage(12.7);
    s.stats->setAneUsage(3.2);
    s.stats->setPowerDraw(4.0);
    s.stats->setPClusterUsage(55.5);
    s.stats->setEClusterUsage(20.9);
    s.stats->setGpuTemperature(44.4);
    s.stats->setSsdTemperature(38.8);
    s.stats->setThrottlingStatus(0);
    page.refreshNow();
    EXPECT_EQ(texts(), QStringList({"67°", "12%", "67°", "3%", "67°C", "3.17", "4.00 W", "55%", "20%", "44°C",
                                    "38°C", "0%"}));
    s.stats->setSocTemperature(kNaN);
    s.stats->setCpuUsage(std::numeric_limits<double>::infinity());
    page.refreshNow();
    EXPECT_EQ(texts().mid(0, 3), QStringList({"--°", "--%", "--°"}));
    EXPECT_EQ(page.forecastLabel()->text(), SensorsPage::forecastText(s.stats->cpuUsage(), kNaN));
}

TEST(SensorsPage, AdvancedRowsFollowTheSettingLive)
{
    InertServices s;
    SensorsPage page({s.stats.get(), s.processMonitor.get(), &s.settings, &s.themes, &s.random});
    page.show();
    EXPECT_TRUE(page.advancedReadings()->isHidden());
    s.settings.setAdvancedMode(true);
    QCoreApplication::processEvents();
    EXPECT_FALSE(page.advancedReadings()->isHidden());
    s.settings.setAdvancedMode(false);
    QCoreApplication::processEvents();
    EXPECT_TRUE(page.advancedReadings()->isHidden());
}

TEST(SensorsPage, TenRowsInMonitorOrderWithFreezeOnlyWhereAllowed)
{
    InertServices s;
    SensorsPage page({s.stats.get(), s.processMonitor.get(), &s.settings, &s.themes, &s.random});
    const auto ownPid = qint32(QCoreApplication::applicationPid());
    QList<ProcessInfoData> list = {process(0, 9), process(1, 8), process(ownPid, 7), process(2, 6)};
    for (int i = 0; i < 8; ++i)
        list << process(900 - i, 5 - i * 0.1);
    s.processMonitor->setTopProcesses(list);
    page.refreshNow();
    QStringList expected;
    for (const ProcessInfoData& p : list.mid(0, 10))
        expected << QString::number(p.id);
    EXPECT_EQ(page.processList()->keys(), expected);
    QStringList freeze;
    for (QWidget* row : page.processList()->rows())
        freeze << (hasFreeze(row) ? "freeze" : "-");
    EXPECT_EQ(freeze.mid(0, 5), QStringList({"-", "-", "-", "freeze", "freeze"}));

    // Fewer than ten: every one, and the rows of vanished pids go.
    s.processMonitor->setTopProcesses(list.mid(3, 2));
    page.refreshNow();
    EXPECT_EQ(page.processList()->keys(), QStringList({"2", "900"}));
}

TEST(SensorsPage, ListHoldsStillUnderThePointer)
{
    InertServices s;
    {
        SensorsPage page({s.stats.get(), s.processMonitor.get(), &s.settings, &s.themes, &s.random});
        page.show();
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(page.processArea(), &enter);
        EXPECT_TRUE(s.processMonitor->isPaused());
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(page.processArea(), &leave);
        EXPECT_FALSE(s.processMonitor->isPaused());
        QCoreApplication::sendEvent(page.processArea(), &enter);
    }
    // A page that goes while the pointer is over its list lets the monitor go on.
    EXPECT_FALSE(s.processMonitor->isPaused());
}

TEST(SensorsPage, WindowWithoutAProcessListShowsTheEmptyPageNotACrash)
{
    InertServices s;
    DashboardPageState state(QStringLiteral("Sensors"));
    const DashboardPageContext context{nullptr, &state, s.stats.get(), nullptr, &s.themes, &s.settings};
    for (const char* title : {"Sensors", "Memory", "Power", "History"}) {
        std::unique_ptr<QWidget> page(DashboardRouter::standard().build(QString::fromLatin1(title), context));
        EXPECT_EQ(page->objectName(), "emptyPage") << title;
    }
    std::unique_ptr<QWidget> network(DashboardRouter::standard().build(QStringLiteral("Network"), context));
    EXPECT_NE(network->objectName(), "emptyPage");
}
