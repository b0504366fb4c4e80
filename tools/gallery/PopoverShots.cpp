#include "PopoverShots.h"
#include "InertOpener.h"
#include "SampleSampler.h"
#include "SampleTile.h"

#include "popover/PopoverView.h"
#include "theme/ThemeManager.h"
#include "core/NotificationCenter.h"
#include "core/SettingsStore.h"
#include "platform/ProcessIconProvider.h"
#include "platform/ProcessSignaller.h"
#include "platform/ProcessTable.h"
#include "platform/SessionProcessGuard.h"
#include "core/Clock.h"
#include "core/Random.h"
#include "telemetry/PingService.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "widgets/Fonts.h"

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
        p.energyImpact = cpu * 0.8;
        p.icon = icon;
        return p;
    };
    QList<ProcessInfoData> rows = {
        row(4211, QStringLiteral("/usr/share/code/code"), 87.3,
            sampleTile(QColor(41, 182, 246), QColor(21, 101, 192), QStringLiteral("terminal"))),
        row(3120, QStringLiteral("/usr/local/bin/ollama"), 54.1, QIcon()),
        row(2890, QStringLiteral("/usr/lib/firefox-esr/firefox-esr"), 12.0,
            sampleTile(QColor(255, 149, 0), QColor(229, 57, 53), QStringLiteral("globe"))),
        row(1043, QStringLiteral("/usr/bin/gnome-terminal.real"), 3.6,
            sampleTile(QColor(72, 72, 80), QColor(28, 28, 32), QStringLiteral("terminal"))),
        row(880, QStringLiteral("/usr/bin/dockerd"), 1.2, QIcon()),
        row(57, QStringLiteral("/usr/sbin/sshd"), 0.4, QIcon()),
    };
    rows[1].isSuspended = true; // the model server, frozen from the CPU page
    return rows;
}

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

} // namespace

bool writePopoverScreenshots(const QString& directory)
{
    QTemporaryDir settingsDir;
    ProcessTable table;
    ProcessMonitor monitor(ProcessMonitor::Deps{&table, &ProcessSignaller::system(), &SessionProcessGuard::system(),
                                                nullptr, &Clock::system(), &Random::shared(), {}});
    monitor.setTopProcesses(sampleProcesses());
    SampleSampler stats;
    PingService ping(PingService::Deps{}, false);
    InertOpener opener;
    NotificationCenter notifications;

    struct Shot {
        AppTheme theme;
        int tab;
        bool tour;
        bool translucent;
        bool advanced;
        bool scrolledToEnd;
        const char* file;
    };
    const Shot shots[] = {
        {AppTheme::standard, 0, false, false, false, false, "popover-standard.png"},
        {AppTheme::cyberpunk, 0, false, false, true, true, "popover-cpu-advanced.png"},
        {AppTheme::standard, 3, false, true, false, false, "popover-translucent.png"},
        {AppTheme::cyberpunk, 1, false, false, false, false, "popover-cyberpunk.png"},
        {AppTheme::light, 4, false, false, false, false, "popover-light.png"},
        {AppTheme::nordic, 2, true, false, false, false, "popover-tour.png"},
    };
    bool ok = true;
    int n = 0;
    for (const Shot& shot : shots) {
        SettingsStore settings(settingsDir.filePath(QStringLiteral("popover%1.ini").arg(n++)));
        settings.setShowOnboardingTour(shot.tour);
        settings.setOnboardingTourStep(shot.tour ? 5 : 0);
        settings.setAdvancedMode(shot.advanced);
        ThemeManager themes(settings);
        themes.setCurrentTheme(shot.theme);

        QWidget host(nullptr, Qt::FramelessWindowHint | Qt::Tool);
        if (shot.translucent)
            host.setAttribute(Qt::WA_TranslucentBackground);
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
        ok = host.grab().save(directory + QLatin1Char('/') + QLatin1String(shot.file)) && ok;
    }
    return ok;
}
