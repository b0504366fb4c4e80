#include "dashboard/ai/AIHardwareView.h"
#include "theme/ThemeManager.h"
#include "core/SettingsStore.h"
#include "fakes/InertStatsProvider.h"
#include "widgets/Animations.h"
#include "widgets/CircularProgressView.h"
#include "widgets/LegendItemSmall.h"
#include "widgets/LoadBar.h"
#include "widgets/MemoryShareBar.h"
#include "widgets/NeuralEngineCard.h"
#include "widgets/PulseBadge.h"
#include "widgets/UnifiedMemoryBlock.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(AIHardwareView, ShowsTheSamplersFiguresAsGiven)
{
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("s.ini")));
    ThemeManager theme(settings);
    InertStatsProvider stats;
    AIHardwareView page(stats.get(), &theme);
    page.resize(650, 600);
    page.show();

    stats->setAnePowerDraw(0.02);
    stats->setAneUsage(130);
    stats->setGpuCoreCount(16);
    stats->setGpuUsage(37.9);
    stats->setMemoryTotal(16);
    stats->setMemoryUsed(3);
    stats->setAiVramUsed(4);
    stats->setAiVramTotal(12);
    page.refreshNow();

    NeuralEngineCard* ane = page.neuralEngineCard();
    EXPECT_EQ(ane->powerText(), "0.0 W");
    EXPECT_EQ(ane->loadText(), "130.0%");
    EXPECT_EQ(ane->loadBar()->currentFillWidth(), ane->loadBar()->width());
    EXPECT_TRUE(ane->pulseBadge()->isBusy());
    EXPECT_EQ(page.coresText(), "16 Cores");
    EXPECT_EQ(page.badgeText(), "Active");
    EXPECT_EQ(page.gpuGauge()->text(), "37%");
    EXPECT_EQ(page.memoryBlock()->noteText(), "AI limits: Max safe local VRAM is 12.0 GB");
    QStringList legend;
    for (const LegendItemSmall* item : page.memoryBlock()->legend())
        legend << item->label() + ' ' + item->value();
    // More AI memory than used: the system share reads 0, not a negative.
    EXPECT_EQ(legend, QStringList({"System 0.0G", "AI VRAM 4.0G", "Free 13.0G"}));

    stats->setAnePowerDraw(3.456);
    stats->setAiVramTotal(0);
    stats->setGpuCoreCount(0);
    page.refreshNow();
    EXPECT_EQ(ane->powerText(), "3.5 W");
    EXPECT_EQ(page.memoryBlock()->noteText(), "AI limits: Max safe local VRAM is 0.0 GB");
    EXPECT_EQ(page.coresText(), "0 Cores");

    // A theme change recolours the accent parts.
    theme.setCurrentTheme(AppTheme::cyberpunk);
    EXPECT_EQ(page.gpuGauge()->color(), AppTheme(AppTheme::cyberpunk).accentColor());
    EXPECT_EQ(page.memoryBlock()->legend()[1]->color(), AppTheme(AppTheme::cyberpunk).accentColor());
}

TEST(AIHardwareView, RingShowsTheWholePercentage)
{
    EXPECT_EQ(CircularProgressView::percentText(0.379), "37%");
    EXPECT_EQ(CircularProgressView::percentText(0.999), "99%");
    EXPECT_EQ(CircularProgressView::percentText(1.5), "150%");
    EXPECT_EQ(CircularProgressView::trimEnd(1.5), 1.0);
    EXPECT_EQ(CircularProgressView::percentText(kNaN), "0%");
    EXPECT_EQ(CircularProgressView::trimEnd(kNaN), 0.0);
    EXPECT_EQ(CircularProgressView::percentText(1e300), "0%");
    EXPECT_EQ(CircularProgressView::percentText(-std::numeric_limits<double>::infinity()), "0%");
    EXPECT_EQ(CircularProgressView::trimEnd(0), 0.0);
    EXPECT_EQ(CircularProgressView::trimEnd(0.25), 0.25);

    CircularProgressView ring(0.5, SystemColor::blue);
    ring.setProgress(kNaN);
    ring.setProgress(kNaN);
    EXPECT_EQ(ring.text(), "0%");
    EXPECT_EQ(ring.displayedTrim(), 0.0);
}

TEST(AIHardwareView, BarsFollowTheirWidthRules)
{
    using Widths = std::array<double, 3>;
    // 16 GB, 10 used, 4 of them AI, on 300 points: the gaps push 4 points past the end.
    EXPECT_EQ(MemoryShareBar::segmentWidths(10, 16, 4, 300), Widths({112.5, 75, 112.5}));
    EXPECT_EQ(MemoryShareBar::segmentWidths(0, 0, 0, 300), Widths({2, 2, 2}));
    EXPECT_EQ(MemoryShareBar::segmentWidths(3, 16, 4, 320)[0], 2);   // more AI than used
    EXPECT_EQ(MemoryShareBar::segmentWidths(18, 16, 0, 320)[2], 2);  // more used than installed
    EXPECT_EQ(MemoryShareBar::segmentWidths(0.5, 0.75, 0.25, 100), Widths({25, 25, 25})); // against 1 GB
    EXPECT_EQ(MemoryShareBar::segmentWidths(kNaN, 16, 4, 300)[0], 2);

    EXPECT_EQ(LoadBar::fillWidth(50, 300), 150);
    EXPECT_EQ(LoadBar::fillWidth(0.3, 1000), 3);
    EXPECT_EQ(LoadBar::fillWidth(130, 300), 300);
    EXPECT_EQ(LoadBar::fillWidth(-5, 300), 0);
    EXPECT_EQ(LoadBar::fillWidth(kNaN, 300), 0);

    // The pulse turns on strictly above 1 %.
    PulseBadge badge(QStringLiteral("cpu.fill"), SystemColor::blue);
    badge.setLoad(1.0);
    EXPECT_EQ(badge.targetScale(), 1.0);
    EXPECT_EQ(badge.targetOpacity(), 0.05);
    badge.setLoad(1.01);
    EXPECT_EQ(badge.targetScale(), 1.2);
    EXPECT_EQ(badge.targetOpacity(), 0.2);
    badge.setLoad(0.3);
    EXPECT_FALSE(badge.isBusy());
}

TEST(AIHardwareView, PulseBreathesOnlyWhileOnScreen)
{
    Animations::setEnabled(true);
    PulseBadge badge(QStringLiteral("cpu.fill"), SystemColor::blue);
    badge.show();
    badge.setLoad(40); // the first figure only sets the look
    EXPECT_FALSE(badge.isPulsing());
    badge.setLoad(0.2);
    EXPECT_TRUE(badge.isPulsing());
    // A closed dashboard must not keep waking the event loop.
    badge.hide();
    EXPECT_FALSE(badge.isPulsing());
    badge.show();
    EXPECT_TRUE(badge.isPulsing());
    Animations::setEnabled(false);
}

} // namespace
