#include "dashboard/ai/APISentinelView.h"

#include "core/SettingsStore.h"
#include "fakes/FakeModelServer.h"
#include "fakes/InertLocalAIServices.h"
#include "fakes/InertStatsProvider.h"
#include "localai/LocalAPIProxyService.h"
#include "support/TaskRunner.h"
#include "theme/ThemeManager.h"
#include "widgets/CardFrame.h"
#include "widgets/DestructiveIconButton.h"
#include "widgets/ElidedLabel.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"
#include "widgets/ToggleSwitch.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

template <typename T>
T* part(QWidget* row, const char* name)
{
    return row->findChild<T*>(QLatin1String(name));
}

class APISentinelViewTest : public ::testing::Test {
protected:
    APISentinelViewTest() : settings(dir.filePath(QStringLiteral("s.ini"))), themes(settings) {}

    std::unique_ptr<APISentinelView> make(quint16 port = APISentinelView::kProxyPort)
    {
        auto page = std::make_unique<APISentinelView>(
            stats.get(), APISentinelView::Services{&themes, ai.localAI.get(), ai.latency.get(), &proxy, port});
        page->resize(650, 700);
        page->show();
        page->refreshNow();
        return page;
    }

    QTemporaryDir dir;
    SettingsStore settings;
    ThemeManager themes;
    InertStatsProvider stats;
    InertLocalAIServices ai;
    FakeModelServer upstream;
    LocalAPIProxyService proxy{ProxySettings{.upstreamPort = upstream.port()}};
};

TEST_F(APISentinelViewTest, LatencyTextAndColourRule)
{
    const struct {
        const char* status;
        double ms;
        const char* text;
        SystemColor color;
    } cases[] = {{"Online", 2.4, "2.4 ms", SystemColor::green},
                 {"Online", 4.99, "5.0 ms", SystemColor::green},
                 {"Online", 5.0, "5.0 ms", SystemColor::orange},
                 {"Offline", 1.0, "Offline", SystemColor::red},
                 {"online", 1.0, "Offline", SystemColor::red}};
    for (const auto& c : cases) {
        EXPECT_EQ(APISentinelView::latencyText(QLatin1String(c.status), c.ms), c.text) << c.status << c.ms;
        EXPECT_EQ(APISentinelView::latencyColor(QLatin1String(c.status), c.ms), c.color) << c.status << c.ms;
    }
}

TEST_F(APISentinelViewTest, RowsEmptyStateAndKillOnlyWhereItCanAct)
{
    auto page = make();
    EXPECT_TRUE(page->emptyPortsBox()->isVisibleTo(page.get()));

    ai.latency->setActivePortLatencies(
        {{11434, QStringLiteral("ollama"), 4321, 2.4, QStringLiteral("Online")},
         {11430, QStringLiteral("kestrova"), qint32(QCoreApplication::applicationPid()), 0.3, QStringLiteral("Online")},
         {9000, QStringLiteral("gone"), 0, 0, QStringLiteral("Offline")}});
    page->refreshNow();
    EXPECT_FALSE(page->emptyPortsBox()->isVisibleTo(page.get()));
    const QList<QWidget*> rows = page->portList()->rows();
    EXPECT_EQ(part<PlainLabel>(rows[0], "port")->text(), "Port 11434");
    EXPECT_EQ(part<PlainLabel>(rows[0], "pid")->text(), "PID 4321");
    EXPECT_TRUE(part<DestructiveIconButton>(rows[0], "killButton")->isVisibleTo(page.get()));
    EXPECT_FALSE(part<DestructiveIconButton>(rows[1], "killButton")->isVisibleTo(page.get())); // our own proxy
    EXPECT_FALSE(part<PlainLabel>(rows[2], "pid")->isVisibleTo(page.get()));
    EXPECT_FALSE(part<DestructiveIconButton>(rows[2], "killButton")->isVisibleTo(page.get()));
    EXPECT_EQ(part<PlainLabel>(rows[2], "latency")->text(), "Offline");
}

TEST_F(APISentinelViewTest, KillThenMeasureAgainInThatOrder)
{
    ai.localAI->setActiveLocalPorts({{11434, QStringLiteral("ollama"), 4321}});
    ASSERT_TRUE(runTask(ai.latency->measureLatencies()));
    auto page = make();
    QStringList order;
    QObject::connect(ai.localAI.get(), &LocalAIService::activeLocalPortsChanged, [&] { order << "kill"; });
    QObject::connect(ai.latency.get(), &LocalAPILatencyService::activePortLatenciesChanged,
                     [&] { order << "measure"; });
    QTest::mouseClick(part<DestructiveIconButton>(page->portList()->rows()[0], "killButton"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return order.size() == 2; }));
    EXPECT_EQ(order, (QStringList{"kill", "measure"}));
    EXPECT_TRUE(ai.localAI->activeLocalPorts().isEmpty());
}

TEST_F(APISentinelViewTest, SwitchTakesTheProxysStateWhenThePageAppears)
{
    for (bool running : {false, true}) {
        proxy.setIsRunning(running);
        auto page = make();
        EXPECT_EQ(page->proxySwitch()->isChecked(), running);
        EXPECT_EQ(page->runningDetails()->isVisibleTo(page.get()), running);
        EXPECT_EQ(page->statusLabel()->text(), running ? "Routing Port 11430 \U0001F680" : "Offline / Bypassed \U0001F4A4");
    }
}

TEST_F(APISentinelViewTest, SwitchRunsTheRealProxyAndTheCountersFollowItsTraffic)
{
    const quint16 port = freePort();
    auto page = make(port);
    QTest::mouseClick(page->proxySwitch(), Qt::LeftButton);
    page->refreshNow();
    EXPECT_EQ(page->statusLabel()->text(), "Offline / Bypassed \U0001F4A4"); // until the listener is ready
    ASSERT_TRUE(waitUntil([&] { return proxy.isRunning(); }));
    page->refreshNow();
    EXPECT_TRUE(page->statusLabel()->text().startsWith(QStringLiteral("Routing Port ")));
    EXPECT_EQ(page->requestCountLabel()->text(), "0");
    EXPECT_EQ(page->lastModelLabel()->text(), "None");

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(client.waitForConnected(5000));
    const QByteArray body = R"({"model":"llama3:8b","prompt":"hi"})";
    client.write("POST /api/generate HTTP/1.1\r\nHost: localhost\r\nContent-Length: " + QByteArray::number(body.size())
                 + "\r\n\r\n" + body);
    ASSERT_TRUE(waitUntil([&] { return proxy.requestCount() == 1 && proxy.lastRoutedModel() == "llama3:8b"; }));
    page->refreshNow();
    EXPECT_EQ(page->requestCountLabel()->text(), "1");
    EXPECT_EQ(page->lastModelLabel()->text(), "llama3:8b");

    QTest::mouseClick(page->proxySwitch(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !proxy.isRunning(); }));
    page->refreshNow();
    EXPECT_FALSE(page->runningDetails()->isVisibleTo(page.get()));
    EXPECT_FALSE(page->proxySwitch()->isChecked());
}

// Any local client names the model, and any local user names a process: the
// names stay on one line, read in order, and leave the switch and the kill
// buttons on screen.
TEST_F(APISentinelViewTest, HostileNamesStayOnOneLineAndKeepTheControlsOnScreen)
{
    const QString hostile = QStringLiteral("evil\u202Egnp.exe\nsecond line ") + QString(275, QLatin1Char('m'));
    ASSERT_EQ(hostile.size(), 300);
    const QString cleaned = QStringLiteral("evilgnp.exe second line ") + QString(275, QLatin1Char('m'));
    const quint16 port = freePort();
    auto page = make(port);
    QTest::mouseClick(page->proxySwitch(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return proxy.isRunning(); }));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(client.waitForConnected(5000));
    client.write("POST /api/generate HTTP/1.1\r\n\r\n{\"model\": \"" + hostile.toUtf8() + "\"}");
    ASSERT_TRUE(waitUntil([&] { return proxy.lastRoutedModel() == hostile; }));
    ai.latency->setActivePortLatencies({{11434, hostile, 4321, 2.4, QStringLiteral("Online")}});
    page->refreshNow();
    QCoreApplication::processEvents();

    ElidedLabel* model = page->lastModelLabel();
    ElidedLabel* name = part<ElidedLabel>(page->portList()->rows()[0], "name");
    QWidget* kill = part<DestructiveIconButton>(page->portList()->rows()[0], "killButton");
    for (ElidedLabel* label : {model, name}) {
        EXPECT_EQ(label->text(), cleaned);
        EXPECT_TRUE(label->isElided());
        EXPECT_FALSE(label->displayedText().contains(QChar(u'\n')));
        EXPECT_LE(label->height(), label->fontMetrics().height() * 3 / 2);
    }
    const auto onPage = [&](QWidget* widget) {
        const int left = widget->mapTo(page.get(), QPoint(0, 0)).x();
        return left >= 0 && left + widget->width() <= page->width();
    };
    EXPECT_TRUE(onPage(model));
    EXPECT_TRUE(onPage(page->proxySwitch()));
    EXPECT_TRUE(onPage(kill));
}

} // namespace
