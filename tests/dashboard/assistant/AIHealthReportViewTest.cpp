#include "dashboard/assistant/AIHealthReportView.h"

#include "support/InertServices.h"
#include "support/TaskRunner.h"
#include "widgets/AccentPillButton.h"
#include "widgets/PlainLabel.h"

#include <QCoroTimer>

#include <gtest/gtest.h>

#include <tuple>

TEST(AIHealthReportView, TapReadsTheFourFiguresAndShowsTheAnswerVerbatim)
{
    InertServices s;
    s.stats->setCpuUsage(42.5);
    s.stats->setSocTemperature(61.25);
    s.stats->setMemoryPressure(77.0);
    s.stats->setBatteryPercentage(88);
    std::vector<std::tuple<double, double, double, int>> asked;
    const QString answer = QStringLiteral("**Healthy** <b>machine</b> & _cool_");
    AIHealthReportView card(
        s.stats.get(),
        [&](double cpu, double temp, double memory, int battery) -> QCoro::Task<QString> {
            asked.emplace_back(cpu, temp, memory, battery);
            co_await QCoro::sleepFor(std::chrono::milliseconds(20));
            co_return answer;
        },
        &s.themes);
    card.show();
    EXPECT_TRUE(card.generateButton()->isVisible());
    EXPECT_FALSE(card.progressRow()->isVisible());

    card.generateButton()->click();
    EXPECT_TRUE(card.isGenerating());
    EXPECT_FALSE(card.generateButton()->isVisible()); // no second request while one is pending
    EXPECT_TRUE(card.progressRow()->isVisible());
    s.stats->setCpuUsage(99); // later samples do not alter the request
    card.generate();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked.front(), std::make_tuple(42.5, 61.25, 77.0, 88));

    ASSERT_TRUE(waitUntil([&] { return card.report().has_value(); }));
    EXPECT_FALSE(card.isGenerating());
    EXPECT_FALSE(card.progressRow()->isVisible());
    EXPECT_TRUE(card.reportLabel()->isVisible());
    EXPECT_EQ(card.reportLabel()->text(), answer);
    EXPECT_EQ(card.reportLabel()->textFormat(), Qt::PlainText);
    EXPECT_FALSE(card.generateButton()->isVisible()); // the report stays for good
    card.generate();
    EXPECT_EQ(asked.size(), 1u);
}
