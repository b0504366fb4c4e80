#include "popover/ai/AITabView.h"
#include "popover/PopoverView.h"
#include "widgets/VisualEffectView.h"
#include "core/NotificationCenter.h"
#include "fakes/ManualScheduler.h"
#include "platform/ProcessOpener.h"
#include "popover/CPUTabView.h"
#include "popover/MemoryTabView.h"
#include "support/InertServices.h"
#include "support/TaskRunner.h"
#include "popover/BottomAppTray.h"
#include "theme/ColorScheme.h"
#include "widgets/SymbolView.h"
#include "widgets/TabBarButton.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

class NoOpener final : public ProcessOpener {
public:
    void openApplication(const QString&) override {}
    void openFile(const QString&) override {}
};

struct Post {
    QString name;
    QVariantMap userInfo;
};

class PopoverViewTest : public ::testing::Test {
protected:
    PopoverViewTest()
    {
        for (const QString name : {"OpenDashboard", "StartTour"})
            notifications.observe(name, &observer,
                                  [this, name](const QVariantMap& info) { posts.append({name, info}); });
    }

    std::unique_ptr<PopoverView> make(std::optional<QStringList> logoPaths = std::nullopt)
    {
        PopoverView::Services services;
        services.settings = &s.settings;
        services.notifications = &notifications;
        services.scheduler = &scheduler;
        services.opener = &opener;
        services.logoPaths = std::move(logoPaths);
        return std::make_unique<PopoverView>(s.stats.get(), s.processMonitor.get(), s.ping.get(), &s.themes,
                                             nullptr, services);
    }

    void tourTab(const QVariantMap& info) { notifications.post(QStringLiteral("TourUpdatePopoverTab"), info); }

    InertServices s;
    NotificationCenter notifications;
    ManualScheduler scheduler{false};
    NoOpener opener;
    QObject observer;
    QList<Post> posts;
};

TEST_F(PopoverViewTest, OpensOnTheCpuPageAndKeepsTheChosenPageAcrossHideAndShow)
{
    auto view = make();
    view->show();
    EXPECT_EQ(view->size(), QSize(320, 620));
    EXPECT_EQ(view->selectedTab(), 0);
    EXPECT_NE(qobject_cast<CPUTabView*>(view->currentPage()), nullptr);

    QTest::mouseClick(view->tray()->pageButtons().at(3), Qt::LeftButton);
    QWidget* memoryPage = view->currentPage();
    EXPECT_NE(qobject_cast<MemoryTabView*>(memoryPage), nullptr);
    view->hide();
    view->show();
    EXPECT_EQ(view->selectedTab(), 3);
    EXPECT_EQ(view->currentPage(), memoryPage);

    // Each selection builds its page anew.
    QTest::mouseClick(view->tray()->pageButtons().at(4), Qt::LeftButton);
    EXPECT_NE(qobject_cast<AITabView*>(view->currentPage()), nullptr);
    QTest::mouseClick(view->tray()->pageButtons().at(3), Qt::LeftButton);
    EXPECT_NE(qobject_cast<MemoryTabView*>(view->currentPage()), nullptr);
}

TEST_F(PopoverViewTest, HeaderButtonsPostTheirNotifications)
{
    auto view = make();
    view->show();
    const QVariantMap settingsTab{{QStringLiteral("tab"), QStringLiteral("Settings")}};

    QTest::mouseClick(view->tourButton(), Qt::LeftButton);
    ASSERT_EQ(posts.size(), 1);
    EXPECT_EQ(posts[0].name, "OpenDashboard");
    EXPECT_EQ(posts[0].userInfo, settingsTab);
    ASSERT_EQ(scheduler.delays(), QList<std::chrono::milliseconds>{300ms});
    scheduler.advance(299ms);
    QCoreApplication::processEvents();
    EXPECT_EQ(posts.size(), 1);
    scheduler.advance(1ms);
    ASSERT_TRUE(waitUntil([&] { return posts.size() == 2; }));
    EXPECT_EQ(posts[1].name, "StartTour");
    EXPECT_TRUE(posts[1].userInfo.isEmpty());

    posts.clear();
    QTest::mouseClick(view->dashboardButton(), Qt::LeftButton);
    QTest::mouseClick(view->tray()->dashboardButton(), Qt::LeftButton);
    ASSERT_EQ(posts.size(), 2);
    EXPECT_EQ(posts[0].name, "OpenDashboard");
    EXPECT_EQ(posts[0].userInfo, settingsTab);
    EXPECT_EQ(view->dashboardButton()->toolTip(), "Settings");
    EXPECT_EQ(posts[1].name, "OpenDashboard");
    EXPECT_TRUE(posts[1].userInfo.isEmpty()); // the tray's button opens the default page
}

TEST_F(PopoverViewTest, ThemeButtonCyclesThemesWhileThePopoverStaysDark)
{
    auto view = make();
    view->show();
    (void)view->grab(); // the backdrop takes its material when first drawn
    const QStringList expected = {"Cyberpunk", "Nordic", "Ink", "Light", "Standard"};
    for (const QString& name : expected) {
        QTest::mouseClick(view->themeButton(), Qt::LeftButton);
        const AppTheme theme = s.themes.currentTheme();
        EXPECT_EQ(theme.rawValue(), name);
        EXPECT_EQ(s.settings.appTheme(), name);
        EXPECT_EQ(colorSchemeOf(view.get()), ColorScheme::dark) << name.toStdString();
        EXPECT_EQ(colorSchemeOf(view->currentPage()), ColorScheme::dark) << name.toStdString();
        EXPECT_EQ(view->palette().color(QPalette::Highlight), theme.accentColor().resolve(ColorScheme::dark));
    }
    // Like the platform view it stands for, the backdrop keeps its first material.
    EXPECT_EQ(view->backdrop()->material(), VisualEffectMaterial::popover);
}

TEST_F(PopoverViewTest, FullPathButtonFlipsAndStoresTheSetting)
{
    auto view = make();
    view->show();
    EXPECT_EQ(view->fullPathSymbol(), "list.bullet.rectangle.portrait");
    QTest::mouseClick(view->fullPathButton(), Qt::LeftButton);
    EXPECT_TRUE(view->showFullProcessPath());
    EXPECT_EQ(view->fullPathSymbol(), "list.bullet.rectangle.portrait.fill");
    // Stored: a store opened afresh on the same file (the next launch) reads it.
    EXPECT_TRUE(SettingsStore(s.dir.filePath(QStringLiteral("settings.ini"))).showFullProcessPath());
    QTest::mouseClick(view->fullPathButton(), Qt::LeftButton);
    EXPECT_FALSE(s.settings.showFullProcessPath());
    EXPECT_EQ(view->fullPathSymbol(), "list.bullet.rectangle.portrait");
}

TEST_F(PopoverViewTest, TourSwitchesPagesOnlyWhileShownAndOnlyByAnInteger)
{
    auto view = make();
    tourTab({{QStringLiteral("tabIndex"), 3}});
    EXPECT_EQ(view->selectedTab(), 0) << "ignored while the popover is closed";

    view->show();
    tourTab({{QStringLiteral("tabIndex"), QStringLiteral("3")}});
    tourTab({{QStringLiteral("tabIndex"), 3.0}});
    tourTab({{QStringLiteral("other"), 3}});
    tourTab({});
    EXPECT_EQ(view->selectedTab(), 0);

    tourTab({{QStringLiteral("tabIndex"), 3}});
    EXPECT_EQ(view->selectedTab(), 3);
    EXPECT_NE(qobject_cast<MemoryTabView*>(view->currentPage()), nullptr);
    tourTab({{QStringLiteral("tabIndex"), qlonglong(1)}});
    EXPECT_EQ(view->selectedTab(), 1);

    // Out of range: no page until a tray button is pressed.
    tourTab({{QStringLiteral("tabIndex"), 7}});
    EXPECT_EQ(view->selectedTab(), 7);
    EXPECT_EQ(view->currentPage(), nullptr);
    QTest::mouseClick(view->tray()->pageButtons().at(0), Qt::LeftButton);
    EXPECT_NE(qobject_cast<CPUTabView*>(view->currentPage()), nullptr);

    view->hide();
    tourTab({{QStringLiteral("tabIndex"), 2}});
    EXPECT_EQ(view->selectedTab(), 0);
}

TEST_F(PopoverViewTest, LogoFallsBackToTheShieldSymbol)
{
    auto withLogo = make();
    EXPECT_TRUE(withLogo->showsLogoImage()); // the image built into the program

    auto without = make(QStringList{s.dir.filePath(QStringLiteral("no-logo.png"))});
    EXPECT_FALSE(without->showsLogoImage());
    auto* shield = without->findChild<SymbolView*>(QStringLiteral("logo"));
    ASSERT_NE(shield, nullptr);
    EXPECT_EQ(shield->symbol(), "shield.fill");
    EXPECT_EQ(shield->tint(), UiColor(SystemColor::blue));
}

} // namespace
