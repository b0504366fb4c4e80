#include "PopoverTabShots.h"
#include "InertOpener.h"
#include "SampleSampler.h"
#include "SampleTile.h"

#include "core/Clock.h"
#include "core/NotificationCenter.h"
#include "core/Random.h"
#include "core/SettingsStore.h"
#include "platform/ProcessSignaller.h"
#include "platform/ProcessTable.h"
#include "platform/SessionProcessGuard.h"
#include "popover/PopoverView.h"
#include "telemetry/PingService.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "theme/ThemeManager.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace {

QList<ProcessInfoData> sampleProcesses()
{
    const auto row = [](qint32 pid, const QString& path, double cpu, const QIcon& icon) {
        ProcessInfoData p;
        p.id = pid;
        p.fullPath = path;
        p.name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
        p.cpuUsage = cpu;
        p.icon = icon;
        return p;
    };
    return {
        row(4211, QStringLiteral("/usr/share/code/code"), 87.3,
            sampleTile(QColor(41, 182, 246), QColor(21, 101, 192), QStringLiteral("terminal"))),
        row(3120, QStringLiteral("/usr/local/bin/ollama_llama_server_with_a_rather_long_name"), 54.1, QIcon()),
        row(2890, QStringLiteral("/usr/lib/firefox-esr/firefox-esr"), 12.0,
            sampleTile(QColor(255, 149, 0), QColor(229, 57, 53), QStringLiteral("globe"))),
        row(1043, QStringLiteral("/usr/bin/gnome-terminal.real"), 3.6, QIcon()),
        row(880, QStringLiteral("/usr/bin/dockerd"), 1.2, QIcon()),
    };
}

void setSampleFigures(SystemStatsProvider* stats)
{
    stats->setMemoryTotal(32);
    stats->setMemoryApp(12.6);
    stats->setMemoryWired(4.1);
    stats->setMemoryCompressed(4.7);
    stats->setMemoryUsed(21.4);
    stats->setMemoryPressure(66.9);
    stats->setMemorySwap(1.3);
    stats->setDiskTotal(931.5);
    stats->setDiskUsed(604.2);
    stats->setDiskRead(3.4);
    stats->setDiskWrite(1.2);
    stats->setNetworkUpload(48.3);
    stats->setNetworkDownload(1264.7);
    stats->setLocalIP(QStringLiteral("192.168.1.42"));
}

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

} // namespace

bool writePopoverTabScreenshots(const QString& directory)
{
    QTemporaryDir settingsDir;
    ProcessTable table;
    Random random(11);
    ProcessMonitor monitor(ProcessMonitor::Deps{&table, &ProcessSignaller::system(), &SessionProcessGuard::system(),
                                                nullptr, &Clock::system(), &random, {}});
    monitor.setTopProcesses(sampleProcesses());
    SampleSampler stats;
    setSampleFigures(stats.get());
    PingService ping(PingService::Deps{}, false);
    InertOpener opener;
    NotificationCenter notifications;

    struct Shot {
        int tab;
        bool advanced;
        bool fullPath;
        bool scrolledToEnd;
        const char* name;
    };
    const Shot shots[] = {
        {1, false, false, false, "network"},
        {1, false, true, true, "network-paths"},
        {2, false, false, false, "disk"},
        {2, false, true, false, "disk-paths"},
        {3, false, false, false, "memory"},
        {3, true, false, true, "memory-advanced"},
    };
    bool ok = true;
    int n = 0;
    for (const AppTheme theme : {AppTheme(AppTheme::standard), AppTheme(AppTheme::light)}) {
        for (const Shot& shot : shots) {
            SettingsStore settings(settingsDir.filePath(QStringLiteral("tabs%1.ini").arg(n++)));
            settings.setAdvancedMode(shot.advanced);
            settings.setShowFullProcessPath(shot.fullPath);
            ThemeManager themes(settings);
            themes.setCurrentTheme(theme);

            QWidget host(nullptr, Qt::FramelessWindowHint | Qt::Tool);
            auto* layout = new QVBoxLayout(&host);
            layout->setContentsMargins(0, 0, 0, 0);
            PopoverView::Services services;
            services.settings = &settings;
            services.notifications = &notifications;
            services.opener = &opener;
            auto* view = new PopoverView(stats.get(), &monitor, &ping, &themes, nullptr, services);
            view->setSelectedTab(shot.tab);
            layout->addWidget(view);
            host.show();
            settle();
            if (shot.scrolledToEnd) {
                auto* area = view->findChild<QScrollArea*>(QStringLiteral("pageArea"));
                area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
                settle();
            }
            const QString file = QStringLiteral("%1/popover-%2-%3.png")
                                     .arg(directory, QLatin1String(shot.name),
                                          theme.isLight() ? QStringLiteral("light") : QStringLiteral("standard"));
            ok = host.grab().save(file) && ok;
        }
    }
    return ok;
}
