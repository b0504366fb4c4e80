#include "fakes/LayoutRequestCounter.h"
#include "widgets/ActionTipsView.h"
#include "widgets/MemoryCard.h"
#include "widgets/NetworkCard.h"
#include "widgets/PlainLabel.h"
#include "widgets/SensorCircle.h"
#include "widgets/SensorRow.h"

#include <QCoreApplication>
#include <QLayout>
#include <QVBoxLayout>

#include <functional>

#include <gtest/gtest.h>

TEST(DashboardCards, TipsWrapAndGrowThePanelNeverCut)
{
    const QString longTip = QStringLiteral("A long tip that cannot fit on one line of a narrow panel, so it must "
                                           "wrap onto further lines and push the bottom of the panel down.");
    struct Case {
        QStringList tips;
        int labels;
    };
    int emptyHeight = 0;
    int shortHeight = 0;
    for (const Case& c : {Case{{}, 0}, Case{{QStringLiteral("Short.")}, 1}, Case{{longTip}, 1}}) {
        ActionTipsView panel(QStringLiteral("Tips"), c.tips);
        ASSERT_EQ(panel.tipLabels().size(), c.labels);
        const int height = panel.hasHeightForWidth() ? panel.heightForWidth(260) : panel.sizeHint().height();
        if (c.tips.isEmpty())
            emptyHeight = height;
        else if (c.tips.first() == QStringLiteral("Short."))
            shortHeight = height;
        else {
            EXPECT_TRUE(panel.tipLabels().first()->wordWrap());
            EXPECT_EQ(panel.tipLabels().first()->text(), longTip);
            EXPECT_GT(height, shortHeight + 20); // several lines, none elided
        }
    }
    EXPECT_GT(shortHeight, emptyHeight); // empty: the header row alone
}

TEST(DashboardCards, GaugeKeepsItsSizeAndCardsShowWhatTheyAreGiven)
{
    SensorCircle circle(QStringLiteral("TEMPERATURE OF EVERYTHING"), QStringLiteral("123456789°"));
    EXPECT_EQ(circle.size(), QSize(70, 70));
    EXPECT_EQ(circle.sizeHint().expandedTo(circle.minimumSize()), QSize(70, 70));
    EXPECT_EQ(circle.maximumSize(), QSize(70, 70));

    SensorRow row(QStringLiteral("POWER DRAW"), QStringLiteral("Total SoC"), QStringLiteral("4.20 W"));
    row.setValue(QStringLiteral("5.00 W"));
    EXPECT_EQ(QStringList({row.title(), row.subtitle(), row.value()}),
              QStringList({"POWER DRAW", "Total SoC", "5.00 W"}));

    MemoryCard memory(QStringLiteral("App Memory"), QStringLiteral("4.20 GB"), SystemColor::green);
    EXPECT_EQ(memory.value(), "4.20 GB");
    EXPECT_EQ(memory.color(), UiColor(SystemColor::green));

    NetworkCard network(QStringLiteral("Download"), QStringLiteral("12.0 KB/s"), QStringLiteral("arrow.down"),
                        SystemColor::blue);
    EXPECT_EQ(network.title() + ' ' + network.value(), "Download 12.0 KB/s");
}

// The pages refresh these figures every second: a figure of the same width
// repaints its label only, a wider one lays the window out and is shown whole.
TEST(DashboardCards, AFigureOfTheSameWidthLeavesTheWindowsLayoutAlone)
{
    struct Case {
        const char* name;
        std::function<QWidget*(const QString&)> make;
        std::function<void(QWidget*, const QString&)> set;
    };
    const QList<Case> cases = {
        {"SensorRow",
         [](const QString& v) { return new SensorRow(QStringLiteral("SWAP"), QStringLiteral("Swap Used"), v); },
         [](QWidget* w, const QString& v) { static_cast<SensorRow*>(w)->setValue(v); }},
        {"MemoryCard", [](const QString& v) { return new MemoryCard(QStringLiteral("App Memory"), v, SystemColor::green); },
         [](QWidget* w, const QString& v) { static_cast<MemoryCard*>(w)->setValue(v); }},
        {"NetworkCard",
         [](const QString& v) {
             return new NetworkCard(QStringLiteral("Download"), v, QStringLiteral("arrow.down"), SystemColor::blue);
         },
         [](QWidget* w, const QString& v) { static_cast<NetworkCard*>(w)->setValue(v); }},
    };
    for (const Case& c : cases) {
        QWidget window;
        auto* column = new QVBoxLayout(&window);
        QWidget* card = c.make(QStringLiteral("4.20 GB"));
        column->addWidget(card);
        c.set(card, QStringLiteral("4.20 GB"));
        window.show();
        QCoreApplication::processEvents();
        LayoutRequestCounter requests;
        window.installEventFilter(&requests);
        for (QWidget* child : window.findChildren<QWidget*>())
            child->installEventFilter(&requests);

        c.set(card, QStringLiteral("3.75 GB"));
        QCoreApplication::processEvents();
        EXPECT_EQ(requests.count, 0) << c.name;

        c.set(card, QStringLiteral("13.75 GB"));
        QCoreApplication::processEvents();
        EXPECT_GE(requests.count, 1) << c.name;
        QWidget* value = nullptr;
        for (QWidget* label : card->findChildren<QWidget*>())
            if (label->property("text").toString() == QStringLiteral("13.75 GB"))
                value = label;
        ASSERT_NE(value, nullptr) << c.name;
        EXPECT_GE(value->width(), value->sizeHint().width()) << c.name;
    }
}
