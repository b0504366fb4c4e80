#include "FakeShell.h"
#include "app/KestrovaApp.h"
#include "app/PresetMenuView.h"
#include "core/NotificationCenter.h"
#include "core/ObservableObject.h"
#include "fakes/FakeClock.h"
#include "fakes/FakePowerSource.h"
#include "fakes/FakeRunningApplications.h"
#include "fakes/FakeSleepInhibitor.h"
#include "fakes/FakeTerminalLauncher.h"
#include "support/TaskRunner.h"
#include "telemetry/PresetManager.h"

#include <QAction>
#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

// The preset engine's state as the menu sees it; every assignment announces.
class FakePresetEngine final : public ObservableObject {
public:
    PerformancePreset active = PerformancePreset::vanillaMac;
    QString status = QStringLiteral("Idle");
    QString battery = QStringLiteral("Unknown");
    QList<PerformancePreset> applied;

    void set(PerformancePreset preset, const QString& newStatus)
    {
        active = preset;
        status = newStatus;
        emit changed();
        emit changed();
    }

    PresetBinding binding()
    {
        return {this, [this] { return active; }, [this] { return status; }, [this] { return battery; },
                [this](PerformancePreset preset) {
                    applied << preset;
                    // The engine runs through its texts in one go.
                    set(preset, QStringLiteral("Initializing ") + preset.rawValue() + QStringLiteral("..."));
                    set(preset, QStringLiteral("Applied & done"));
                }};
    }
};

QStringList shown(const QMenu& menu)
{
    QStringList texts;
    for (QAction* action : menu.actions())
        texts << (action->isSeparator() ? QStringLiteral("---") : action->iconText());
    return texts;
}

QList<int> checked(const QMenu& menu)
{
    QList<int> rows;
    for (int i = 0; i < menu.actions().size(); ++i)
        if (!menu.actions()[i]->icon().isNull())
            rows << i;
    return rows;
}

} // namespace

TEST(PresetMenuView, ListsThePresetsThenTheTwoStatusLines)
{
    FakePresetEngine engine;
    PresetMenuView menu(engine.binding());
    EXPECT_EQ(menu.title(), QStringLiteral("Performance Presets"));
    EXPECT_EQ(shown(menu), QStringList({
                               "Inference Max (Optimize VRAM & Max Fans)",
                               "Local Training (Sleep Overrides & Core Boosting)",
                               "Compile Max (Suspend Background Engines & Boost Build)",
                               "Creative Max (Flush VRAM & Prioritize Renderers)",
                               "Game Mode (Suspend Heavy Processes & Spool Fans)",
                               "Eco Dev (Battery Saver & Pause Daemons)",
                               "Vanilla Mac (Restore Defaults & Clean Helpers)",
                               "---",
                               "Active State: Idle",
                               "Macbook Battery: Unknown",
                           }));
    // "&" is kept literal: no entry gets a keyboard mnemonic from it.
    EXPECT_EQ(menu.actions()[0]->text(), QStringLiteral("Inference Max (Optimize VRAM && Max Fans)"));
    EXPECT_EQ(checked(menu), QList<int>{6});
    for (int i = 0; i < 7; ++i)
        EXPECT_TRUE(menu.actions()[i]->isEnabled());
    EXPECT_FALSE(menu.actions()[8]->isEnabled());
    EXPECT_FALSE(menu.actions()[9]->isEnabled());
}

TEST(PresetMenuView, ChoosingAppliesEvenTheActivePresetAndTheMenuFollows)
{
    FakePresetEngine engine;
    PresetMenuView menu(engine.binding());
    menu.actions()[5]->trigger(); // Eco Dev; the engine announces four times inside the call
    EXPECT_EQ(engine.applied, QList<PerformancePreset>{PerformancePreset::ecoDev});
    QCoreApplication::processEvents();
    EXPECT_EQ(checked(menu), QList<int>{5});
    EXPECT_EQ(menu.actions()[8]->iconText(), QStringLiteral("Active State: Applied & done"));

    menu.actions()[5]->trigger();
    EXPECT_EQ(engine.applied.size(), 2);
    QCoreApplication::processEvents();

    engine.battery = QStringLiteral("87%");
    emit engine.changed();
    QCoreApplication::processEvents();
    EXPECT_EQ(menu.actions()[9]->iconText(), QStringLiteral("Macbook Battery: 87%"));
}

TEST(KestrovaApp, PresetsItemIconFollowsTheActivePreset)
{
    FakePresetEngine engine;
    FakeShellPlatform platform;
    NotificationCenter notifications;
    FakeClock clock;
    AppDelegate::Deps delegateDeps;
    delegateDeps.platform = &platform;
    delegateDeps.notifications = &notifications;
    delegateDeps.clock = &clock;
    KestrovaApp app({&platform, [&] { return engine.binding(); }, delegateDeps});
    app.launch();

    // The presets item comes first, then the delegate's status item.
    ASSERT_EQ(platform.items.size(), 2u);
    FakeTrayItem& presets = *platform.items[0];
    EXPECT_EQ(app.presetsItem(), &presets);
    EXPECT_EQ(app.presetsSymbol(), QStringLiteral("desktopcomputer"));
    EXPECT_EQ(presets.iconSets, 1);
    EXPECT_EQ(presets.toolTip, QStringLiteral("Performance Presets"));
    ASSERT_NE(app.delegate()->dashboardWindow(), nullptr);

    engine.set(PerformancePreset::ecoDev, QStringLiteral("x"));
    QCoreApplication::processEvents();
    EXPECT_EQ(app.presetsSymbol(), QStringLiteral("leaf.fill"));
    EXPECT_EQ(presets.iconSets, 2);
    engine.set(PerformancePreset::ecoDev, QStringLiteral("y")); // same preset: same icon
    QCoreApplication::processEvents();
    EXPECT_EQ(presets.iconSets, 2);
    engine.set(PerformancePreset::vanillaMac, QStringLiteral("z"));
    QCoreApplication::processEvents();
    EXPECT_EQ(app.presetsSymbol(), QStringLiteral("desktopcomputer"));

    // Either button opens the menu.
    presets.click(Qt::LeftButton);
    presets.click(Qt::RightButton);
    ASSERT_EQ(presets.menus.size(), 2u);
    EXPECT_EQ(presets.menus[0].data(), app.presetMenu());
}

TEST(KestrovaApp, WithoutATrayThereIsNoPresetsMenu)
{
    FakePresetEngine engine;
    FakeShellPlatform platform;
    platform.trayAvailable = false;
    NotificationCenter notifications;
    FakeClock clock;
    AppDelegate::Deps delegateDeps;
    delegateDeps.platform = &platform;
    delegateDeps.notifications = &notifications;
    delegateDeps.clock = &clock;
    KestrovaApp app({&platform, [&] { return engine.binding(); }, delegateDeps});
    app.launch();
    EXPECT_EQ(app.presetMenu(), nullptr);
    EXPECT_EQ(platform.items[0]->iconSets, 0);
    ASSERT_NE(app.delegate()->dashboardWindow(), nullptr);

    // A tray that shows up later gets the item with its menu.
    platform.items[0]->appear();
    EXPECT_NE(app.presetMenu(), nullptr);
    EXPECT_EQ(platform.items[0]->iconSets, 1);
    EXPECT_EQ(platform.items[0]->toolTip, QStringLiteral("Performance Presets"));
}

TEST(PresetMenuView, DrivesTheRealPresetEngine)
{
    FakeSleepInhibitor inhibitor;
    inhibitor.answerLater = true; // the engine waits for the bus; the menu does not
    FakeTerminalLauncher terminal;
    FakePowerSource power;
    power.value = BatteryInfo{87};
    FakeRunningApplications applications;
    PresetManager engine({&inhibitor, &terminal, &power, &applications});
    PresetMenuView menu(PresetBinding::of(engine));
    EXPECT_EQ(menu.actions()[9]->iconText(), QStringLiteral("Macbook Battery: 87%"));
    EXPECT_EQ(checked(menu), QList<int>{6});

    menu.actions()[1]->trigger(); // Local Training
    ASSERT_TRUE(waitUntil([&] { return !engine.isExecuting() && inhibitor.held.size() == 1; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(engine.activePreset(), PerformancePreset::localTraining);
    EXPECT_EQ(checked(menu), QList<int>{1});
    EXPECT_EQ(menu.actions()[8]->iconText(),
              QStringLiteral("Active State: Local Training active \u2014 system will not sleep during builds"));

    // Without a terminal the long by-hand line keeps the menu narrow and shows whole in the tooltip.
    terminal.opens = false;
    menu.actions()[2]->trigger(); // Compile Max
    ASSERT_TRUE(waitUntil([&] { return engine.currentStatus().contains(QStringLiteral("by hand")); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(menu.actions()[8]->toolTip(), QStringLiteral("Active State: ") + engine.currentStatus());
    EXPECT_LT(menu.sizeHint().width(), 2 * menu.fontMetrics().horizontalAdvance(PresetMenuView::entryTitle(PerformancePreset::compileMax)));
}
