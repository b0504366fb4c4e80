#include "popover/ai/ServersSubTab.h"

#include "AISubTabFixture.h"
#include "support/TaskRunner.h"
#include "support/ThreadCpuTime.h"
#include "widgets/AccentPillButton.h"
#include "widgets/Badge.h"
#include "widgets/CardFrame.h"
#include "widgets/DestructiveIconButton.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

template <typename T>
T* part(QWidget* row, const char* name)
{
    return row->findChild<T*>(QLatin1String(name));
}

class ServersSubTabTest : public ::testing::Test, protected AISubTabFixture {
protected:
    std::unique_ptr<ServersSubTab> make()
    {
        auto tab = show(std::make_unique<ServersSubTab>(ai.localAI.get(), ai.latency.get(), &s.themes));
        tab->refreshNow();
        return tab;
    }
    QList<qint64> showListeners(int listeners); // the CPU time to build the tab, then to refresh it
};

TEST_F(ServersSubTabTest, EmptySectionsShowTheirNotes)
{
    auto tab = make();
    QWidget* page = tab.get();
    EXPECT_EQ(tab->portCount()->text(), "0 Listeners");
    EXPECT_TRUE(tab->portsEmpty()->isVisibleTo(page));
    EXPECT_EQ(tab->portsEmpty()->text(), "No active local listeners found");
    EXPECT_FALSE(tab->databaseCount()->isVisibleTo(page));
    EXPECT_EQ(tab->databasesEmpty()->text(), "No active local vector databases found");
    EXPECT_TRUE(tab->databasesEmpty()->isVisibleTo(page));
    EXPECT_TRUE(tab->companionsEmpty()->isVisibleTo(page));
    EXPECT_FALSE(tab->purgeButton()->isVisibleTo(page));
    EXPECT_EQ(tab->latencyEmpty()->text(), "No active local development servers to profile");
    EXPECT_TRUE(tab->latencyEmpty()->isVisibleTo(page));
}

TEST_F(ServersSubTabTest, RowTextsAndLatencyColours)
{
    ai.loadDemoRows();
    ai.latency->setActivePortLatencies(
        {{11434, QStringLiteral("ollama"), 4321, 0.5, QStringLiteral("Online")},
         {5432, QStringLiteral("postgres"), 4322, 3.0, QStringLiteral("offline")}});
    auto tab = make();
    EXPECT_EQ(tab->portCount()->text(), "5 Listeners");
    QWidget* port = tab->portList()->rows()[0];
    EXPECT_EQ(part<Badge>(port, "portBadge")->text(), "Port 11434");
    EXPECT_EQ(part<PlainLabel>(port, "pid")->text(), "PID: 90281");
    EXPECT_EQ(tab->databaseCount()->text(), "2 Active");
    EXPECT_EQ(part<PlainLabel>(tab->databaseList()->rows()[0], "container")->text(), "Container ID: dc84e27f9b8c");
    EXPECT_EQ(part<PlainLabel>(tab->companionList()->rows()[0], "pid")->text(), "PID 82194");

    const struct {
        int row;
        const char* port;
        const char* status;
        SystemColor color;
    } latencies[] = {{0, ":11434", "0.50 ms", SystemColor::green}, {1, ":5432", "Offline", SystemColor::red}};
    for (const auto& c : latencies) {
        QWidget* row = tab->latencyList()->rows()[c.row];
        EXPECT_EQ(part<PlainLabel>(row, "port")->text(), c.port);
        EXPECT_EQ(part<PlainLabel>(row, "status")->text(), c.status);
        EXPECT_EQ(part<PlainLabel>(row, "status")->textColor(), UiColor(c.color));
        EXPECT_EQ(part<CardFrame>(row, "statusPill")->fill(), UiColor(c.color).opacity(0.12));
    }
}

TEST_F(ServersSubTabTest, KillHibernateAndPurgeReachTheService)
{
    ai.loadDemoRows();
    auto tab = make();
    QTest::mouseClick(part<DestructiveIconButton>(tab->portList()->rows()[1], "killButton"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return ai.localAI->activeLocalPorts().size() == 4; }));
    for (const LocalPortInfo& p : ai.localAI->activeLocalPorts())
        EXPECT_NE(p.pid, 8812);

    QTest::mouseClick(part<AccentPillButton>(tab->databaseList()->rows()[1], "hibernateButton"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return ai.localAI->activeVectorDBs().size() == 1; }));
    EXPECT_EQ(ai.localAI->activeVectorDBs()[0].containerId, "dc84e27f9b8c");

    QTest::mouseClick(tab->purgeButton(), Qt::LeftButton);
    ASSERT_EQ(ai.scheduler.delays(), QList<std::chrono::milliseconds>{1500ms});
    EXPECT_EQ(ai.localAI->orphanedAICompanions().size(), 2); // still listed while the service waits
    ai.scheduler.advance(1500ms);
    ASSERT_TRUE(waitUntil([&] { return ai.localAI->orphanedAICompanions().isEmpty(); }));
    tab->refreshNow();
    EXPECT_TRUE(tab->companionsEmpty()->isVisibleTo(tab.get()));
}

TEST_F(ServersSubTabTest, NoKillForOurOwnPidNorForLeftoverExamples)
{
    ai.localAI->setActiveLocalPorts({{11430, QStringLiteral("kestrova"), qint32(QCoreApplication::applicationPid())},
                                     {22, QStringLiteral("init"), 1},
                                     {8080, QStringLiteral("node"), 4000}});
    auto tab = make();
    const auto offersKill = [&](int i) {
        return part<DestructiveIconButton>(tab->portList()->rows()[i], "killButton")->isVisibleTo(tab.get());
    };
    EXPECT_FALSE(offersKill(0));
    EXPECT_FALSE(offersKill(1));
    EXPECT_TRUE(offersKill(2));

    ai.loadDemoRows();
    ai.localAI->setDemoMode(false);
    tab->refreshNow();
    for (int i = 0; i < tab->portList()->count(); ++i)
        EXPECT_FALSE(offersKill(i)) << i;
    EXPECT_FALSE(part<AccentPillButton>(tab->databaseList()->rows()[0], "hibernateButton")->isVisibleTo(tab.get()));
    EXPECT_FALSE(tab->purgeButton()->isVisibleTo(tab.get()));
}

// Outside demo mode the examples fill the list; shielded as suspended, they still offer no Hibernate.
TEST_F(ServersSubTabTest, ExampleContainersUnderTheBatteryShieldOfferNoHibernate)
{
    ai.localAI->setDemoMode(false);
    ASSERT_TRUE(runTask(ai.localAI->scanVectorDatabases())); // no docker here
    ai.localAI->setBatteryShieldEnabled(true);
    ai.unplugged = true;
    ai.localAI->applyBatteryShieldMode();
    ASSERT_EQ(ai.localAI->activeVectorDBs().value(1).status, QStringLiteral("Suspended (Battery Shield)"));
    auto tab = make();
    ASSERT_EQ(tab->databaseList()->count(), 2);
    for (QWidget* row : tab->databaseList()->rows())
        EXPECT_FALSE(part<AccentPillButton>(row, "hibernateButton")->isVisibleTo(tab.get()));
}

// A paused container answers no request: neither counted as active nor offered Hibernate, whoever paused it.
TEST_F(ServersSubTabTest, PausedContainersNeverReadAsRunning)
{
    ai.localAI->setDemoMode(false);
    QList<VectorDatabaseInfo> rows;
    for (const QString& status : {VectorDatabaseInfo::runningStatus(), VectorDatabaseInfo::shieldedStatus(), VectorDatabaseInfo::pausedStatus()})
        rows.append({QStringLiteral("chroma-") + status, 8000, QStringLiteral("128 MB"), status, status});
    ai.localAI->setActiveVectorDBs(rows);
    auto tab = make();
    EXPECT_EQ(tab->databaseCount()->text(), "1 Active");
    ASSERT_EQ(tab->databaseList()->count(), 3);
    for (int i = 0; i < 3; ++i) {
        QWidget* row = tab->databaseList()->rows()[i];
        EXPECT_EQ(part<AccentPillButton>(row, "hibernateButton")->isVisibleTo(tab.get()), i == 0) << i;
        // A row that is not running says how it is paused.
        EXPECT_EQ(part<PlainLabel>(row, "status")->isVisibleTo(tab.get()) ? part<PlainLabel>(row, "status")->text() : QString(),
                  i == 0 ? QString() : rows[i].status) << i;
    }
}

} // namespace

// Anyone on the machine can open thousands of listeners: each list shows its first rows, one line for
// the rest, and building or refreshing it costs about as much for 5,000 as for 100 (once fifty times as much).
QList<qint64> ServersSubTabTest::showListeners(int listeners)
{
    QList<LocalPortInfo> ports;
    QList<PortLatencyInfo> latencies;
    for (int i = 0; i < listeners; ++i) {
        ports.append({20000 + i, QStringLiteral("listener"), 30000 + i});
        latencies.append({20000 + i, QStringLiteral("listener"), 30000 + i, 0.0, QStringLiteral("Offline")});
    }
    std::unique_ptr<ServersSubTab> tab;
    QList<qint64> spent;
    for (const bool refresh : {false, true}) {
        ai.localAI->setActiveLocalPorts(ports);
        ai.latency->setActivePortLatencies(latencies);
        const qint64 start = threadCpuMicroseconds();
        refresh ? tab->refreshNow() : void(tab = make());
        QCoreApplication::processEvents(); // lays the rows out and paints them
        spent.append(qMax<qint64>(threadCpuMicroseconds() - start, 1));
        EXPECT_EQ(tab->portCount()->text(), QStringLiteral("%1 Listeners").arg(ports.size()));
        EXPECT_EQ(tab->portList()->keys().first(), QStringLiteral("%1-%2").arg(ports[0].port).arg(ports[0].pid));
        for (KeyedRowList* list : {tab->portList(), tab->latencyList()}) {
            EXPECT_EQ(list->count(), 50);
            EXPECT_TRUE(list->moreLabel()->isVisibleTo(tab.get()));
            EXPECT_EQ(list->moreLabel()->text(), QStringLiteral("and %1 more").arg(ports.size() - 50));
        }
        ports.removeFirst(); // then a refresh that moves every row
        latencies.removeFirst();
    }
    return spent;
}

TEST_F(ServersSubTabTest, ThousandsOfListenersShowTheFirstRowsAndACount)
{
    showListeners(100); // first-use costs out of the way
    const QList<qint64> few = showListeners(100), many = showListeners(5000);
    for (const int step : {0, 1})
        EXPECT_LT(many[step], 8 * few[step]) << (step ? "refreshing: " : "building: ") << few[step]
                                             << " µs for 100 listeners, " << many[step] << " µs for 5,000";
}
