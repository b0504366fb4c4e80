#include "core/NotificationCenter.h"
#include "core/SettingsStore.h"
#include "dashboard/DashboardPageState.h"
#include "dashboard/tour/CacheTagBadge.h"
#include "dashboard/tour/MenuGuideRow.h"
#include "dashboard/tour/OnboardingTourView.h"
#include "dashboard/tour/PersonaCard.h"
#include "dashboard/tour/PresetMiniBadge.h"
#include "dashboard/tour/TourLogo.h"
#include "dashboard/tour/TourStepPages.h"
#include "fakes/ManualScheduler.h"
#include "theme/ThemeManager.h"
#include "widgets/Animations.h"
#include "widgets/PlainLabel.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace std::chrono_literals;

class TourStepPagesTest : public ::testing::Test {
protected:
    TourStepPagesTest()
    {
        settings.setShowOnboardingTour(true);
        tour.appear();
    }

    std::unique_ptr<QWidget> page(int step)
    {
        settings.setOnboardingTourStep(step);
        return std::unique_ptr<QWidget>(TourStepPages::build(step, tour));
    }

    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("settings.ini"))};
    ThemeManager themes{settings};
    NotificationCenter notifications;
    ManualScheduler scheduler{false};
    DashboardPageState selection{QStringLiteral("AI Hardware")};
    OnboardingTourView tour{{&settings, &notifications, &scheduler, &selection, &themes}};
};

TEST(CacheTagBadgeLook, CleanedWinsAndCleaningGrows)
{
    struct Row {
        bool cleaning, cleaned;
        const char* icon;
        SystemColor foreground;
        double scale;
    };
    const Row rows[] = {
        {false, false, "", SystemColor::primary, 1.0},
        {true, false, "sparkles", SystemColor::red, 1.1},
        {false, true, "checkmark.circle.fill", SystemColor::green, 1.0},
        {true, true, "checkmark.circle.fill", SystemColor::green, 1.1},
    };
    for (const Row& row : rows) {
        const CacheTagBadge::Look look = CacheTagBadge::look(row.cleaning, row.cleaned);
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(row.cleaning).arg(row.cleaned).toStdString());
        EXPECT_EQ(look.icon, QString::fromUtf8(row.icon));
        EXPECT_EQ(look.foreground.systemColor(), row.foreground);
        EXPECT_DOUBLE_EQ(look.scale, row.scale);
        EXPECT_EQ(look.outline.systemColor() == SystemColor::clear, !row.cleaning && !row.cleaned);
    }
}

TEST(TourGuideRows, EachPageAndTabLightsOneRow)
{
    const QList<std::pair<const char*, int>> pages = {
        {"AI Hardware", 0}, {"Performance Presets", 0}, {"AI Models", 0}, {"Sensors", 1},      {"Memory", 1},
        {"Settings", 2},    {"Disk", -1},               {"History", -1},  {"VRAM Shield", -1}, {"Fans & Cooling", -1},
        {"settings", -1}};
    for (const auto& [title, row] : pages)
        EXPECT_EQ(TourStepPages::menusRow(QString::fromUtf8(title)), row) << title;
    const QList<std::pair<int, int>> tabs = {{0, 0}, {1, 2}, {2, 2}, {3, 0}, {4, 1}, {5, -1}, {-1, -1}};
    for (const auto& [tab, row] : tabs)
        EXPECT_EQ(TourStepPages::popoverRow(tab), row) << tab;
}

TEST_F(TourStepPagesTest, PresetBadgesAndDetailFollowTheCycler)
{
    EXPECT_EQ(TourStepPages::presetDetail(0), "Compile Max (Nice priority -20)");
    EXPECT_EQ(TourStepPages::presetDetail(1), "Creative Max (Nice priority -10)");
    EXPECT_EQ(TourStepPages::presetDetail(2), "Game Mode (Nice priority -15)");
    auto presets = page(2);
    const QList<PresetMiniBadge*> badges = presets->findChildren<PresetMiniBadge*>();
    ASSERT_EQ(badges.size(), 3);
    for (int tick = 0; tick < 4; ++tick) {
        const int active = tick % 3;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(badges[i]->isSelected(), i == active);
            EXPECT_DOUBLE_EQ(badges[i]->scale(), i == active ? 1.08 : 1.0);
        }
        scheduler.advance(1500ms);
        QCoreApplication::processEvents();
    }
}

TEST_F(TourStepPagesTest, PersonaCardClickStoresExactlyOneSelection)
{
    auto personas = page(1);
    const QList<PersonaCard*> cards = personas->findChildren<PersonaCard*>();
    ASSERT_EQ(cards.size(), 4);
    const auto selected = [&] {
        QStringList titles;
        for (PersonaCard* card : cards)
            if (card->isSelected())
                titles << card->title();
        return titles;
    };
    EXPECT_EQ(selected(), QStringList({"AI Engineer"}));
    for (const auto& [title, stored] : QList<std::pair<QString, QString>>{
             {"Gamer", "Gamer"}, {"Gamer", "Gamer"}, {"Creator", "Content Creator"}, {"Developer", "Software Developer"}}) {
        PersonaCard* card = *std::find_if(cards.begin(), cards.end(), [&](PersonaCard* c) { return c->title() == title; });
        QTest::mouseClick(card, Qt::LeftButton);
        EXPECT_EQ(settings.workspacePersona(), stored);
        EXPECT_EQ(selected(), QStringList({title}));
    }
}

TEST_F(TourStepPagesTest, ResultLineFollowsTheCacheCycle)
{
    for (const auto& [total, text] : QList<std::pair<double, QString>>{
             {0, "0.0 GB reclaimed"}, {1.2 + 0.8, "2.0 GB reclaimed"}, {15.7, "15.7 GB reclaimed"}})
        EXPECT_EQ(TourStepPages::reclaimedText(total), text);

    auto caches = page(3);
    auto* line = caches->findChild<PlainLabel*>(QStringLiteral("reclaimed"));
    ASSERT_NE(line, nullptr);
    const QList<CacheTagBadge*> badges = caches->findChildren<CacheTagBadge*>();
    ASSERT_EQ(badges.size(), 5);
    EXPECT_TRUE(badges[0]->isCleaning());
    QStringList shown;
    for (int i = 0; i < 6; ++i) {
        shown << line->text();
        scheduler.advance(1200ms);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(shown, QStringList({"0.0 GB reclaimed", "1.2 GB reclaimed", "2.0 GB reclaimed", "6.5 GB reclaimed",
                                  "15.7 GB reclaimed", "0.0 GB reclaimed"}));
    // "Steam" is never shown cleaned; the next round has cleaned "npm" again.
    EXPECT_FALSE(badges[4]->isCleaned());
    EXPECT_TRUE(badges[0]->isCleaned());
    EXPECT_TRUE(badges[1]->isCleaning());
}

TEST_F(TourStepPagesTest, HighlightsFollowTheTourAndAnimateOnlyWhileShown)
{
    auto menus = page(4);
    const QList<MenuGuideRow*> rows = menus->findChildren<MenuGuideRow*>();
    ASSERT_EQ(rows.size(), 3);
    selection.setSelectedSidebarItem(QStringLiteral("Memory"));
    EXPECT_EQ(rows[1]->isHighlighted() + rows[0]->isHighlighted() * 2 + rows[2]->isHighlighted() * 4, 1);
    EXPECT_DOUBLE_EQ(rows[1]->rowScale(), 1.03);
    selection.setSelectedSidebarItem(QStringLiteral("Disk"));
    for (MenuGuideRow* row : rows) {
        EXPECT_FALSE(row->isHighlighted());
        EXPECT_DOUBLE_EQ(row->rowScale(), 1.0);
    }

    // With animations on, a pulse ticks only while its page is on screen.
    Animations::setEnabled(true);
    auto presets = page(2);
    PresetMiniBadge* first = presets->findChildren<PresetMiniBadge*>().value(0);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isSelected());
    EXPECT_FALSE(first->isPulsing());
    presets->show();
    EXPECT_TRUE(first->isPulsing());
    presets->hide();
    EXPECT_FALSE(first->isPulsing());
    auto welcome = page(0);
    auto* logo = welcome->findChild<TourLogo*>();
    welcome->show();
    EXPECT_TRUE(logo->isBreathing());
    welcome->hide();
    EXPECT_FALSE(logo->isBreathing());
    Animations::setEnabled(false);
}

} // namespace
