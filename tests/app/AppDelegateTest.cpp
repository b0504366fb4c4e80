#include "ShellFixture.h"

#include "app/StatusLabelHost.h"
#include "support/PrintCapture.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

class AppDelegateTest : public ::testing::Test, public ShellFixture {
protected:
    void launch()
    {
        delegate = std::make_unique<AppDelegate>(deps());
        delegate->applicationDidFinishLaunching();
    }
    FakeTrayItem& item() { return *platform.items.at(0); }
    FakePopover& popover() { return *platform.popover; }
    RecordedDashboardRoot* root() { return static_cast<RecordedDashboardRoot*>(delegate->dashboardRoot()); }
    QStringList menuTexts(QMenu* menu)
    {
        QStringList texts;
        for (QAction* action : menu->actions())
            texts << (action->isSeparator() ? QStringLiteral("---") : action->text());
        return texts;
    }
    QAction* menuAction(QMenu* menu, const QString& text)
    {
        for (QAction* action : menu->actions())
            if (action->text() == text)
                return action;
        return nullptr;
    }
    static QPoint centredOnScreen()
    {
        QRect frame(QPoint(0, 0), AppDelegate::kDashboardSize);
        frame.moveCenter(QGuiApplication::primaryScreen()->availableGeometry().center());
        return frame.topLeft();
    }

    std::unique_ptr<AppDelegate> delegate;
};

} // namespace

TEST_F(AppDelegateTest, StartUpPutsEverythingInPlaceWithThePopoverClosed)
{
    launch();
    EXPECT_EQ(delegate->stats(), stats.get());
    EXPECT_EQ(delegate->processMonitor(), monitor.get());
    ASSERT_NE(delegate->pingService(), nullptr);
    EXPECT_EQ(delegate->pingService()->parent(), delegate.get());
    EXPECT_EQ(delegate->themeManager(), theme.get());

    // The status item carries the label.
    ASSERT_EQ(platform.items.size(), 1u);
    ASSERT_NE(delegate->statusLabel(), nullptr);
    EXPECT_EQ(item().iconSets, 1);
    EXPECT_FALSE(item().icon.isNull());
    EXPECT_EQ(item().toolTip, QStringLiteral("CPU: 0%\nTemperature: 0°\nBattery: 0%"));

    // The popover's root view got the four services; the popover is closed.
    ASSERT_NE(platform.popover, nullptr);
    EXPECT_FALSE(popover().isShown());
    EXPECT_FALSE(delegate->hasEventMonitor());
    EXPECT_EQ(platform.watchesInstalled, 0);
    auto* popoverRoot = qobject_cast<PopoverView*>(popover().root.get());
    ASSERT_NE(popoverRoot, nullptr);
    EXPECT_EQ(popoverRoot->selectedTab(), 0);

    // The dashboard opened on its default page.
    QWidget* window = delegate->dashboardWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Kestrova Dashboard"));
    EXPECT_EQ(window->size(), QSize(960, 700));
    EXPECT_EQ(window->minimumSize(), QSize(960, 700));
    EXPECT_EQ(window->maximumSize(), QSize(960, 700));
    EXPECT_EQ(window->pos(), centredOnScreen());
    EXPECT_TRUE(window->testAttribute(Qt::WA_DeleteOnClose));
    ASSERT_NE(root(), nullptr);
    EXPECT_EQ(root()->initialTab, QStringLiteral("AI Hardware"));
    EXPECT_EQ(root()->themeManager, theme.get());
    EXPECT_EQ(root()->processMonitor, monitor.get());
    EXPECT_EQ(root()->window(), window);
}

TEST_F(AppDelegateTest, DashboardRequestsPickThePageByTheTabRules)
{
    launch();
    const auto pageFor = [&](const QVariantMap& info) {
        notifications.post(QStringLiteral("OpenDashboard"), info);
        return root()->initialTab;
    };
    EXPECT_EQ(pageFor({{"tab", "Settings"}}), QStringLiteral("Settings"));
    EXPECT_EQ(pageFor({{"tab", "AI Monitor"}}), QStringLiteral("AI Hardware"));
    EXPECT_EQ(pageFor({{"tab", 5}}), QStringLiteral("AI Hardware"));
    EXPECT_EQ(pageFor({{"tab", QStringList{"Settings"}}}), QStringLiteral("AI Hardware"));
    EXPECT_EQ(pageFor({}), QStringLiteral("AI Hardware"));
    EXPECT_EQ(pageFor({{"page", "Settings"}}), QStringLiteral("AI Hardware"));
    // Anything else is the router's business.
    EXPECT_EQ(pageFor({{"tab", "No Such Page"}}), QStringLiteral("No Such Page"));
    EXPECT_EQ(pageFor({{"tab", ""}}), QString());

    EXPECT_EQ(AppDelegate::dashboardPage(std::nullopt), QStringLiteral("AI Hardware"));
}

TEST_F(AppDelegateTest, EveryRequestReplacesTheDashboardWindow)
{
    launch();
    QPointer<QWidget> first = delegate->dashboardWindow();
    first->move(5, 5); // the user moved it
    notifications.post(QStringLiteral("OpenDashboard"), {{"tab", "Settings"}});
    QPointer<QWidget> second = delegate->dashboardWindow();
    ASSERT_NE(second, first);
    EXPECT_FALSE(first->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(second->pos(), centredOnScreen());

    // Closed by the user: the application keeps running, the next request
    // builds a fresh window in the centre.
    second->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(second.isNull()) << "a closed dashboard goes, and its pages' work with it";
    EXPECT_EQ(delegate->dashboardWindow(), nullptr);
    notifications.post(QStringLiteral("OpenDashboard"));
    ASSERT_NE(delegate->dashboardWindow(), nullptr);
    EXPECT_TRUE(delegate->dashboardWindow()->isVisible());
    EXPECT_EQ(delegate->dashboardWindow()->pos(), centredOnScreen());
    EXPECT_EQ(quits, 0);
}

TEST_F(AppDelegateTest, LeftClicksToggleThePopoverUnderTheItem)
{
    launch();
    item().click(Qt::LeftButton);
    ASSERT_TRUE(popover().isShown());
    EXPECT_EQ(popover().anchors.back(), item().place);
    EXPECT_TRUE(delegate->hasEventMonitor());
    EXPECT_EQ(platform.liveWatches, 1);

    item().click(Qt::LeftButton);
    EXPECT_FALSE(popover().isShown());
    EXPECT_FALSE(delegate->hasEventMonitor());
    EXPECT_EQ(platform.liveWatches, 0);

    item().click(Qt::LeftButton);
    EXPECT_TRUE(popover().isShown());
    EXPECT_EQ(platform.watchesInstalled, 2);
}

TEST_F(AppDelegateTest, TourRequestsChangeNothingWhenAlreadySo)
{
    launch();
    notifications.post(QStringLiteral("ClosePopover"));
    EXPECT_EQ(popover().closes, 0);

    notifications.post(QStringLiteral("OpenPopover"));
    ASSERT_TRUE(popover().isShown());
    notifications.post(QStringLiteral("OpenPopover"));
    EXPECT_EQ(popover().anchors.size(), 1u);
    EXPECT_EQ(platform.watchesInstalled, 1); // no second close hook
    EXPECT_EQ(platform.liveWatches, 1);

    notifications.post(QStringLiteral("ClosePopover"));
    EXPECT_FALSE(popover().isShown());
    EXPECT_EQ(platform.liveWatches, 0);
}

// At launch the tour may ask for the popover before the tray has placed the
// item: it opens beside the item once placed, unless it was called off.
TEST_F(AppDelegateTest, TourRequestBeforeTheItemIsPlacedWaitsForThePlace)
{
    const QRect placed(1500, 0, 22, 22);
    struct Case {
        const char* name;
        std::function<void(AppDelegateTest&)> meanwhile;
        bool opens;
    };
    const Case cases[] = {
        {"nothing else", [](AppDelegateTest&) {}, true},
        {"asked twice", [](AppDelegateTest& t) { t.notifications.post(QStringLiteral("OpenPopover")); }, true},
        {"closed again", [](AppDelegateTest& t) { t.notifications.post(QStringLiteral("ClosePopover")); }, false},
        {"dashboard", [](AppDelegateTest& t) { t.notifications.post(QStringLiteral("OpenDashboard")); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform.items.clear();
        platform.itemPlaced = false;
        launch();
        notifications.post(QStringLiteral("OpenPopover"));
        EXPECT_FALSE(popover().isShown());
        EXPECT_TRUE(popover().anchors.empty());
        c.meanwhile(*this);
        item().settle(placed);
        EXPECT_EQ(popover().isShown(), c.opens);
        EXPECT_EQ(popover().anchors, c.opens ? std::vector<QRect>{placed} : std::vector<QRect>{});
        EXPECT_EQ(delegate->hasEventMonitor(), c.opens);
        EXPECT_FALSE(delegate->isPopoverWaitingForPlace());
    }
}

// The window around the dashboard keeps the root's fixed frame, and any
// room a window manager forces on it takes the root's background.
TEST_F(AppDelegateTest, DashboardWindowShowsNoMarginOfItsOwn)
{
    launch();
    QWidget* window = delegate->dashboardWindow();
    window->resize(1400, 1000);
    EXPECT_EQ(window->size(), AppDelegate::kDashboardSize);
    for (const QColor& background : {QColor(10, 12, 20), QColor(240, 240, 245)}) {
        QPalette palette = root()->palette();
        palette.setColor(QPalette::Window, background);
        root()->setPalette(palette);
        EXPECT_EQ(window->palette().color(QPalette::Active, QPalette::Window), background);
        EXPECT_EQ(window->palette().color(QPalette::Inactive, QPalette::Window), background);
    }
}

TEST_F(AppDelegateTest, ClickElsewhereClosesButNotTheClickThatCausedIt)
{
    launch();
    item().click(Qt::LeftButton);
    platform.clickElsewhere();
    EXPECT_FALSE(popover().isShown());
    EXPECT_EQ(platform.liveWatches, 0);

    // The tray took the focus for a click on the item itself: that click
    // meant "close", so it does not open the popover again.
    clock.advance(AppDelegate::kRefocusGraceMs - 1);
    item().click(Qt::LeftButton);
    EXPECT_FALSE(popover().isShown());
    clock.advance(1);
    item().click(Qt::LeftButton);
    EXPECT_TRUE(popover().isShown());

    // A refused watch leaves the other ways of closing.
    item().click(Qt::LeftButton);
    platform.refuseWatch = true;
    item().click(Qt::LeftButton);
    EXPECT_TRUE(popover().isShown());
    EXPECT_FALSE(delegate->hasEventMonitor());
    item().click(Qt::LeftButton);
    EXPECT_FALSE(popover().isShown());
}

TEST_F(AppDelegateTest, DashboardRequestClosesAShownPopover)
{
    launch();
    item().click(Qt::LeftButton);
    notifications.post(QStringLiteral("OpenDashboard"), {{"tab", "Settings"}});
    EXPECT_FALSE(popover().isShown());
    EXPECT_EQ(platform.liveWatches, 0);
    EXPECT_EQ(root()->initialTab, QStringLiteral("Settings"));
}

TEST_F(AppDelegateTest, RightClickShowsAFreshMenuAndNeverClosesThePopover)
{
    launch();
    item().click(Qt::LeftButton);
    item().click(Qt::RightButton);
    EXPECT_TRUE(popover().isShown());
    EXPECT_EQ(platform.liveWatches, 1);
    ASSERT_EQ(item().menus.size(), 1u);
    QMenu* menu = item().menus.back();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menuTexts(menu), QStringList({"Settings...", "---", "Quit Kestrova"}));
    EXPECT_EQ(menuAction(menu, "Settings...")->shortcut(), QKeySequence(QStringLiteral("Ctrl+,")));
    EXPECT_EQ(menuAction(menu, "Quit Kestrova")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));

    // Closing the menu drops it; the next right click builds another one.
    emit menu->aboutToHide();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(item().menus.back().isNull());
    item().click(Qt::RightButton);
    ASSERT_EQ(item().menus.size(), 2u);
    menu = item().menus.back();
    ASSERT_NE(menu, nullptr);

    // "Settings..." opens the dashboard on its default page and closes the popover.
    notifications.post(QStringLiteral("OpenDashboard"), {{"tab", "History"}});
    item().click(Qt::LeftButton);
    menuAction(menu, "Settings...")->trigger();
    EXPECT_EQ(root()->initialTab, QStringLiteral("AI Hardware"));
    EXPECT_FALSE(popover().isShown());

    menuAction(menu, "Quit Kestrova")->trigger();
    EXPECT_EQ(quits, 1);

    // Left clicks still reach the popover afterwards.
    item().click(Qt::LeftButton);
    EXPECT_TRUE(popover().isShown());
}

TEST_F(AppDelegateTest, WithoutATrayThereIsNoLabelNoPopoverButADashboard)
{
    platform.trayAvailable = false;
    PrintCapture printed;
    launch();
    EXPECT_EQ(printed.lines(), QStringList{QString::fromLatin1(AppDelegate::kNoTrayLine)});
    EXPECT_EQ(delegate->statusLabel(), nullptr);
    EXPECT_EQ(item().iconSets, 0);
    item().click(Qt::LeftButton);
    item().click(Qt::RightButton);
    notifications.post(QStringLiteral("OpenPopover"));
    EXPECT_FALSE(popover().isShown());
    EXPECT_TRUE(item().menus.empty());
    EXPECT_EQ(platform.watchesInstalled, 0);
    ASSERT_NE(delegate->dashboardWindow(), nullptr);
    EXPECT_TRUE(delegate->dashboardWindow()->isVisible());
    notifications.post(QStringLiteral("OpenDashboard"), {{"tab", "Settings"}});
    EXPECT_EQ(root()->initialTab, QStringLiteral("Settings"));
}

TEST_F(AppDelegateTest, ATrayThatAppearsLaterGetsTheLabelAndTheClicks)
{
    platform.trayAvailable = false;
    launch();
    item().appear();
    ASSERT_NE(delegate->statusLabel(), nullptr);
    EXPECT_EQ(item().iconSets, 1);
    item().click(Qt::LeftButton);
    EXPECT_TRUE(popover().isShown());
}

TEST_F(AppDelegateTest, LabelFollowsItsFiguresOncePerBurst)
{
    launch();
    StatusLabelHost* label = delegate->statusLabel();
    ASSERT_NE(label, nullptr);
    stats->setCpuUsage(37.6);
    stats->setSocTemperature(52.3);
    stats->setBatteryPercentage(85);
    stats->setBatteryIsCharging(true);
    EXPECT_EQ(item().iconSets, 1); // not yet: once per event-loop turn
    QCoreApplication::processEvents();
    EXPECT_EQ(item().iconSets, 2);
    EXPECT_EQ(item().toolTip, QStringLiteral("CPU: 38%\nTemperature: 52°\nBattery: 85%, charging"));
    EXPECT_EQ(label->view().cpuText(), QStringLiteral("38%"));

    // The ring moves with every new load; figures the label does not show draw nothing.
    stats->setCpuUsage(37.9);
    QCoreApplication::processEvents();
    EXPECT_EQ(item().iconSets, 3);
    stats->setMemoryUsed(4.5);
    QCoreApplication::processEvents();
    EXPECT_EQ(item().iconSets, 3);
}
