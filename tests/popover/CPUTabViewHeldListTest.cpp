#include "core/Random.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeProcessSignaller.h"
#include "fakes/RecordingRandom.h"
#include "platform/ProcessSignaller.h"
#include "platform/ProcessTable.h"
#include "platform/SessionProcessGuard.h"
#include "popover/CPUTabView.h"
#include "support/InertServices.h"
#include "support/LoadedProcTree.h"
#include "support/SleepChild.h"
#include "support/TaskRunner.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"
#include "widgets/PopoverBubble.h"
#include "widgets/ProcessRow.h"
#include "widgets/SymbolButton.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <list>

using namespace std::chrono_literals;

namespace {

QString valueOf(QWidget* row) { return row->findChild<PlainLabel*>(QStringLiteral("value"))->text(); }
SymbolButton* freezeOf(QWidget* row) { return row->findChild<SymbolButton*>(QStringLiteral("freezeButton")); }

void pointer(QWidget* list, bool in)
{
    QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(list, in ? static_cast<QEvent*>(&enter) : &leave);
}

// The CPU page over four fixture tools (40, 30, 20 and 10 %), fake signals.
class HeldCpuPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (qint32 i = 0; i < 4; ++i) {
            tree.add(4001 + i, 40.0 - 10.0 * i, "/usr/bin/tool" + QByteArray::number(i + 1));
            signaller.alive.insert(4001 + i);
        }
        monitor.tick();
        page.resize(320, 900);
        page.show();
        page.refreshNow();
        ASSERT_EQ(page.processList()->keys(), kOrder);
    }

    // Loads that turn the ranking upside down.
    void reorderingRefresh(double top)
    {
        tree.runTwoSeconds({{4001, 1.0}, {4002, 2.0}, {4003, 3.0}, {4004, top}});
        monitor.tick();
        page.refreshNow();
    }

    const QStringList kOrder{"4001", "4002", "4003", "4004"};
    LoadedProcTree tree;
    ProcessTable table{tree.root()};
    SessionProcessGuard guard{tree.root()};
    FakeProcessSignaller signaller;
    FakeClock clock;
    RecordingRandom random;
    ProcessMonitor monitor{{&table, &signaller, &guard, nullptr, &clock, &random, {}}};
    InertServices s;
    CPUTabView page{s.stats.get(), &monitor, nullptr, {&s.settings, &s.themes, &s.random}};
};

TEST_F(HeldCpuPage, WhilePausedAFreezeShowsAtTheNextRefreshInPlaceAndASecondClickResumes)
{
    pointer(page.processList(), true);
    ASSERT_TRUE(monitor.isPaused());
    QWidget* row = page.processList()->row("4003");
    QTest::mouseClick(freezeOf(row), Qt::LeftButton);

    reorderingRefresh(80.0);
    EXPECT_EQ(page.processList()->keys(), kOrder);
    EXPECT_EQ(valueOf(row), "FROZEN");
    EXPECT_EQ(freezeOf(row)->symbol(), "play.fill");
    EXPECT_EQ(valueOf(page.processList()->row("4004")), "80.0%"); // figures follow too

    QTest::mouseClick(freezeOf(row), Qt::LeftButton);
    reorderingRefresh(90.0);
    EXPECT_EQ(page.processList()->keys(), kOrder);
    EXPECT_EQ(valueOf(row), "3.0%");
    EXPECT_EQ(freezeOf(row)->symbol(), "snowflake");
    EXPECT_EQ(signaller.sent, (QList<FakeProcessSignaller::Sent>{{4003, SIGSTOP}, {4003, SIGCONT}}));
}

TEST_F(HeldCpuPage, ABubbleKeepsTheListHeldOnItsProcessUntilThatProcessExits)
{
    pointer(page.processList(), true);
    auto* row = static_cast<ProcessRow*>(page.processList()->row("4002"));
    row->toggleInsight();
    QPointer<PopoverBubble> bubble = row->insightPopover();
    ASSERT_TRUE(bubble && bubble->isVisible());
    pointer(page.processList(), false); // the bubble takes the pointer
    EXPECT_TRUE(monitor.isPaused());

    for (const double top : {80.0, 90.0}) {
        reorderingRefresh(top);
        EXPECT_EQ(page.processList()->keys(), kOrder);
        EXPECT_EQ(page.processList()->row("4002"), row);
        ASSERT_TRUE(bubble);
        EXPECT_TRUE(bubble->isVisible());
        EXPECT_TRUE(row->isAncestorOf(bubble->anchor()));
    }

    tree.remove(4002);
    signaller.alive.remove(4002);
    monitor.tick();
    page.refreshNow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(page.processList()->keys(), QStringList({"4001", "4003", "4004"}));
    EXPECT_TRUE(bubble.isNull());
    EXPECT_FALSE(monitor.isPaused());
}

// Among seven equally busy children, one frozen from its row stays in the four rows after the pause, and resumes.
TEST(CPUTabViewLive, ABusyChildFrozenOnThePageKeepsItsRowAndResumesFromIt)
{
    std::list<SleepChild> children;
    for (int i = 0; i < 7; ++i)
        ASSERT_TRUE(children.emplace_back(QStringLiteral("/usr/bin/perl"), QStringList{"-e", "1 while 1"}).alive());
    ProcessTable table;
    FakeClock clock;
    Random random{7};
    ProcessMonitor monitor{
        {&table, &ProcessSignaller::system(), &SessionProcessGuard::system(), nullptr, &clock, &random, {}}};
    InertServices s;
    CPUTabView page(s.stats.get(), &monitor, nullptr, {&s.settings, &s.themes, &s.random});
    page.resize(320, 900);
    page.show();
    const auto refresh = [&] {
        QTest::qWait(400); // shares are measured between scans
        monitor.tick();
        page.refreshNow();
    };

    monitor.tick();
    SleepChild* child = nullptr; // the lowest of them on the page: no busier than those below it
    ASSERT_TRUE(waitUntil(
        [&] {
            refresh();
            for (const QString& key : page.processList()->keys())
                for (SleepChild& c : children)
                    child = QString::number(c.pid()) == key ? &c : child;
            return child != nullptr;
        },
        30s));
    const QString key = QString::number(child->pid());
    pointer(page.processList(), true);
    QPointer<QWidget> row = page.processList()->row(key);
    ASSERT_FALSE(freezeOf(row)->isHidden());
    QTest::mouseClick(freezeOf(row), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return child->state() == 'T'; })) << child->state();
    pointer(page.processList(), false);
    ASSERT_FALSE(monitor.isPaused());

    for (int i = 0; i < 5; ++i) {
        refresh();
        ASSERT_TRUE(row);
        ASSERT_LE(page.processList()->count(), CPUTabView::shownProcessCount);
        ASSERT_EQ(page.processList()->row(key), row.data());
        EXPECT_EQ(valueOf(row), "FROZEN");
        EXPECT_EQ(freezeOf(row)->symbol(), "play.fill");
        EXPECT_FALSE(freezeOf(row)->isHidden());
    }

    QTest::mouseClick(freezeOf(row), Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return child->state() == 'R' || child->state() == 'S'; })) << child->state();
}

} // namespace
