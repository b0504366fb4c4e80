#include "DashboardShots.h"
#include "SampleSampler.h"

#include "services/LaunchAtLoginManager.h"
#include "core/Clock.h"
#include "core/Random.h"
#include "core/SettingsStore.h"
#include "core/NotificationCenter.h"
#include "dashboard/DashboardPageState.h"
#include "dashboard/SettingsView.h"
#include "dashboard/pages/FansPage.h"
#include "dashboard/pages/HistoryPage.h"
#include "dashboard/pages/MemoryPage.h"
#include "dashboard/pages/NetworkPage.h"
#include "dashboard/pages/PowerPage.h"
#include "dashboard/pages/SensorsPage.h"
#include "dashboard/pages/SettingsPage.h"
#include "platform/LoginItem.h"
#include "platform/ProcessSignaller.h"
#include "platform/ProcessTable.h"
#include "platform/SessionProcessGuard.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "theme/ColorScheme.h"
#include "theme/ThemeManager.h"

#include <QApplication>
#include <QCoroTask>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <functional>

namespace {

class MemoryLoginItem final : public LoginItem {
public:
    Status status() const override { return m_status; }
    std::optional<QString> registerItem() override
    {
        m_status = Status::enabled;
        return std::nullopt;
    }
    std::optional<QString> unregisterItem() override
    {
        m_status = Status::notRegistered;
        return std::nullopt;
    }

private:
    Status m_status = Status::enabled;
};

QCoro::Task<QString> sampleReport(double, double temp, double memory, int battery)
{
    co_return QStringLiteral("Your machine is in good shape. The SoC runs at %1\u00b0C, memory pressure is %2% and "
                             "the battery holds %3%. No action is needed today; keep an eye on *heavy* builds.")
        .arg(int(temp))
        .arg(int(memory))
        .arg(battery);
}

ProcessInfoData process(qint32 pid, const QString& name, double cpu, bool suspended = false)
{
    ProcessInfoData p;
    p.id = pid;
    p.name = name;
    p.fullPath = QStringLiteral("/usr/bin/") + name;
    p.cpuUsage = cpu;
    p.energyImpact = cpu * 0.8;
    p.isSuspended = suspended;
    return p;
}

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// The page as the dashboard's content pane holds it: 670 wide on the
// theme's content background, as tall as it needs.
bool render(QWidget* page, const AppTheme& theme, const QString& path, const std::function<void()>& before = {})
{
    QWidget host;
    const ColorScheme scheme = theme.colorScheme();
    applyColorScheme(&host, scheme, theme.contentBackground().resolve(scheme));
    auto* column = new QVBoxLayout(&host);
    column->setContentsMargins(30, 20, 30, 20);
    column->addWidget(page);
    host.setFixedWidth(730);
    host.show();
    settle();
    if (before)
        before();
    settle();
    host.adjustSize();
    host.setFixedHeight(host.heightForWidth(730) > 0 ? host.heightForWidth(730) : host.sizeHint().height());
    settle();
    return host.grab().save(path);
}

} // namespace

bool writeDashboardScreenshots(const QString& directory)
{
    QTemporaryDir dir;
    SampleSampler stats;
    stats.get()->setMemoryPressure(46);
    stats.get()->setBatteryPercentage(82);
    ProcessTable table;
    ProcessMonitor monitor(ProcessMonitor::Deps{&table, &ProcessSignaller::system(), &SessionProcessGuard::system(),
                                                nullptr, &Clock::system(), &Random::shared(), {}});
    monitor.setTopProcesses({process(4211, QStringLiteral("clang++"), 87.3),
                             process(3120, QStringLiteral("ollama"), 54.1, true),
                             process(2890, QStringLiteral("firefox-esr"), 12.0),
                             process(1043, QStringLiteral("gnome-terminal-server"), 3.6),
                             process(880, QStringLiteral("dockerd"), 1.2),
                             process(57, QStringLiteral("sshd"), 0.4),
                             process(1, QStringLiteral("systemd"), 0.1)});
    stats.get()->setAneUsage(18);
    stats.get()->setPowerDraw(14.6);
    stats.get()->setSsdTemperature(39.5);
    stats.get()->setMemoryApp(9.42);
    stats.get()->setMemoryWired(2.87);
    stats.get()->setMemoryCompressed(1.21);
    stats.get()->setMemoryUsed(13.5);
    stats.get()->setMemoryTotal(32);
    stats.get()->setMemorySwap(0.75);
    stats.get()->setBatteryIsCharging(true);
    stats.get()->setNetworkDownload(1843.7);
    stats.get()->setNetworkUpload(212.4);
    stats.get()->setActiveConnections(
        {{QStringLiteral("192.168.1.20:52144 -> 142.250.74.46:443 (google)"), QStringLiteral("ESTABLISHED"),
          QStringLiteral("firefox-esr"), QStringLiteral("2890")},
         {QStringLiteral("192.168.1.20:40312 -> 140.82.121.4:443"), QStringLiteral("ESTABLISHED"),
          QStringLiteral("git-remote-https"), QStringLiteral("5120")},
         {QStringLiteral("192.168.1.20:58822 -> 104.18.32.7:443"), QStringLiteral("CLOSE_WAIT"),
          QStringLiteral("code"), QStringLiteral("4211")}});
    monitor.setBatteryShameList({{QStringLiteral("clang++"), 182.4},
                                 {QStringLiteral("ollama"), 96.75},
                                 {QStringLiteral("firefox-esr"), 41.2},
                                 {QStringLiteral("dockerd"), 3.1}});
    DVRSnapshot snapshot;
    snapshot.id = QUuid::createUuid();
    snapshot.timestamp = QDateTime(QDate(2026, 3, 1), QTime(14, 3, 27));
    snapshot.cpuUsage = 37.5;
    monitor.setDvrSnapshots({snapshot});
    MemoryLoginItem loginItem;
    LaunchAtLoginManager launch(loginItem);

    bool ok = true;
    int n = 0;
    for (const AppTheme theme : {AppTheme(AppTheme::standard), AppTheme(AppTheme::light)}) {
        const QString suffix = theme.isLight() ? QStringLiteral("light") : QStringLiteral("dark");
        const auto file = [&](const char* name) {
            return directory + QStringLiteral("/dashboard-%1-%2.png").arg(QLatin1String(name), suffix);
        };
        SettingsStore settings(dir.filePath(QStringLiteral("dash%1.ini").arg(n++)));
        settings.setAdvancedMode(!theme.isLight());
        ThemeManager themes(settings);
        themes.setCurrentTheme(theme);
        DashboardPageState state(QStringLiteral("Settings"));
        if (!theme.isLight()) {
            state.setShowMemorySuccess(true);
            state.setPurgedAmount(2.14);
        }

        ok = render(new SettingsPage({&state, &settings, &themes, &launch}), theme, file("settings")) && ok;
        auto* history = new HistoryPage({stats.get(), &monitor, &themes, sampleReport, [](const QString&) {}});
        ok = render(history, theme, file("history"), [history, theme] {
            if (!theme.isLight())
                history->healthReport()->generate();
        }) && ok;
        ok = render(new SensorsPage({stats.get(), &monitor, &settings, &themes}), theme, file("sensors")) && ok;
        ok = render(new MemoryPage({stats.get(), &monitor, &settings, &themes, &state}), theme, file("memory")) && ok;
        // The switches shown on in the dark shots, off in the light ones.
        stats.get()->setIsLowPowerModeEnabled(!theme.isLight());
        stats.get()->setForceTurboCooling(!theme.isLight());
        stats.get()->setFanRPMs({theme.isLight() ? 0.0 : 6812.0});
        ok = render(new PowerPage({stats.get(), &monitor, &themes}), theme, file("power")) && ok;
        ok = render(new NetworkPage(stats.get()), theme, file("network")) && ok;
        ok = render(new FansPage(stats.get(), &themes), theme, file("fans")) && ok;
    }

    // Two pages as the window shows them: under the title, beside the sidebar.
    for (const char* title : {"Sensors", "Settings"}) {
        SettingsStore settings(dir.filePath(QStringLiteral("window%1.ini").arg(n++)));
        settings.setHasCompletedOnboardingTour(true);
        ThemeManager themes(settings);
        NotificationCenter notifications;
        SettingsView::Deps deps;
        deps.themeManager = &themes;
        deps.processMonitor = &monitor;
        deps.statsProvider = stats.get();
        deps.settings = &settings;
        deps.notifications = &notifications;
        deps.launchManager = &launch;
        SettingsView window(deps, QString::fromLatin1(title));
        window.show();
        settle();
        ok = window.grab().save(directory + QStringLiteral("/dashboard-window-%1.png").arg(QString::fromLatin1(title).toLower()))
             && ok;
    }
    return ok;
}
