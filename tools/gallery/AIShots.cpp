#include "AIShots.h"
#include "SampleLocalAI.h"
#include "SampleSampler.h"

#include "core/Clock.h"
#include "dashboard/ai/AIHardwareView.h"
#include "dashboard/ai/AIModelsView.h"
#include "dashboard/ai/APISentinelView.h"
#include "localai/LocalAPIProxyService.h"
#include "theme/ColorScheme.h"
#include "core/NotificationCenter.h"
#include "core/Random.h"
#include "core/SettingsStore.h"
#include "localai/BuildCacheService.h"
#include "localai/LocalAIExamples.h"
#include "localai/LocalAIService.h"
#include "localai/LocalAPILatencyService.h"
#include "localai/VectorDatabaseInfo.h"
#include "platform/ProcessSignaller.h"
#include "platform/ProcessTable.h"
#include "platform/SessionProcessGuard.h"
#include "popover/PopoverView.h"
#include "popover/ai/AITabView.h"
#include "telemetry/PingService.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "theme/ThemeManager.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace {

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

ProcessInfoData sampleProcess(qint32 pid, const QString& path, double cpu, bool suspended)
{
    ProcessInfoData p;
    p.id = pid;
    p.fullPath = path;
    p.name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    p.cpuUsage = cpu;
    p.isSuspended = suspended;
    return p;
}

// One dashboard page on the window's content background, as the dashboard
// shows it.
bool writeDashboardPage(QWidget* page, AppTheme theme, const QString& path)
{
    QWidget host;
    const ColorScheme scheme = theme.colorScheme();
    applyColorScheme(&host, scheme, theme.contentBackground().resolve(scheme));
    host.setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(&host);
    layout->setContentsMargins(0, 16, 0, 0);
    layout->addWidget(page);
    host.resize(730, page->sizeHint().height() + 16);
    host.show();
    // Let the switch finish sliding to the proxy's state.
    QEventLoop wait;
    QTimer::singleShot(400, &wait, &QEventLoop::quit);
    wait.exec();
    settle();
    return host.grab().save(path);
}

} // namespace

bool writeAIScreenshots(const QString& directory)
{
    QTemporaryDir settingsDir;
    ProcessTable table;
    ProcessMonitor monitor(ProcessMonitor::Deps{&table, &ProcessSignaller::system(), &SessionProcessGuard::system(),
                                                nullptr, &Clock::system(), &Random::shared(), {}});
    monitor.setTopProcesses({
        sampleProcess(5120, QStringLiteral("/usr/local/bin/ollama"), 64.2, false),
        sampleProcess(5188, QStringLiteral("/usr/bin/python3"), 0.0, true),
        sampleProcess(5230, QStringLiteral("/home/dev/miniconda3/envs/torch/bin/node"), 8.4, false),
        sampleProcess(880, QStringLiteral("/usr/bin/dockerd"), 1.2, false),
    });
    SampleSampler stats;
    SystemStatsProvider* figures = stats.get();
    figures->setAneUsage(48.6);
    figures->setAnePowerDraw(3.4);
    figures->setMemoryTotal(32);
    figures->setMemoryUsed(21.4);
    figures->setAiVramUsed(8.7);
    figures->setAiVramTotal(24);
    PingService ping(PingService::Deps{}, false);
    NotificationCenter notifications;
    SampleLocalAI ai;

    struct Shot {
        AppTheme theme;
        int subTab;
        bool scrolledToEnd;
        const char* file;
    };
    const Shot shots[] = {
        {AppTheme::standard, 0, false, "ai-telemetry-standard.png"},
        {AppTheme::standard, 0, true, "ai-telemetry-standard-end.png"},
        {AppTheme::light, 0, false, "ai-telemetry-light.png"},
        {AppTheme::ink, 0, true, "ai-telemetry-ink.png"},
        {AppTheme::standard, 1, false, "ai-optimizer-standard.png"},
        {AppTheme::light, 1, false, "ai-optimizer-light.png"},
        {AppTheme::standard, 2, false, "ai-caches-standard.png"},
        {AppTheme::light, 2, true, "ai-caches-light-end.png"},
        {AppTheme::standard, 3, false, "ai-servers-standard.png"},
        {AppTheme::light, 3, true, "ai-servers-light-end.png"},
        {AppTheme::ink, 3, true, "ai-servers-ink-end.png"},
    };
    bool ok = true;
    int n = 0;
    const auto popoverShot = [&](AppTheme theme, int subTab, bool scrolledToEnd, const QString& file) {
        SettingsStore settings(settingsDir.filePath(QStringLiteral("ai%1.ini").arg(n++)));
        ThemeManager themes(settings);
        themes.setCurrentTheme(theme);
        PopoverView::Services services;
        services.settings = &settings;
        services.notifications = &notifications;
        services.localAI = ai.localAI.get();
        services.buildCache = ai.buildCache.get();
        services.latency = ai.latency.get();
        QWidget host(nullptr, Qt::FramelessWindowHint | Qt::Tool);
        auto* layout = new QVBoxLayout(&host);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* view = new PopoverView(stats.get(), &monitor, &ping, &themes, nullptr, services);
        view->setSelectedTab(4);
        layout->addWidget(view);
        host.show();
        settle();
        auto* page = qobject_cast<AITabView*>(view->currentPage());
        if (!page)
            return false;
        page->setSelectedSubTab(subTab);
        settle();
        if (scrolledToEnd) {
            QScrollBar* bar = page->scrollArea()->verticalScrollBar();
            bar->setValue(bar->maximum());
            settle();
        }
        return host.grab().save(directory + QLatin1Char('/') + file);
    };
    for (const Shot& shot : shots)
        ok = popoverShot(shot.theme, shot.subTab, shot.scrolledToEnd, QLatin1String(shot.file)) && ok;

    // The dashboard's AI pages.
    for (AppTheme theme : {AppTheme(AppTheme::standard), AppTheme(AppTheme::light)}) {
        SettingsStore settings(settingsDir.filePath(QStringLiteral("dash%1.ini").arg(n++)));
        ThemeManager themes(settings);
        themes.setCurrentTheme(theme);
        const QString suffix = theme.rawValue().toLower() + QStringLiteral(".png");
        ok = writeDashboardPage(new AIHardwareView(stats.get(), &themes), theme,
                                directory + QStringLiteral("/dashboard-ai-hardware-") + suffix)
             && ok;
        ok = writeDashboardPage(new APISentinelView(stats.get(), {&themes, ai.localAI.get(), ai.latency.get(), &ai.proxy}),
                                theme, directory + QStringLiteral("/dashboard-api-sentinel-") + suffix)
             && ok;
        ok = writeDashboardPage(new AIModelsView(stats.get(), &monitor,
                                                 {&themes, ai.localAI.get(), ai.buildCache.get(), &settings}),
                                theme, directory + QStringLiteral("/dashboard-ai-models-") + suffix)
             && ok;
    }

    // Names that any local client or user picks: on one line, cut to fit.
    const QString hostile = QStringLiteral("evil\u202Egnp.exe\nsecond line ") + QString(275, QLatin1Char('m'));
    ai.proxy.setLastRoutedModel(hostile);
    QList<PortLatencyInfo> ports = ai.latency->activePortLatencies();
    if (!ports.isEmpty())
        ports.first().processName = hostile;
    ai.latency->setActivePortLatencies(ports);
    for (AppTheme theme : {AppTheme(AppTheme::standard), AppTheme(AppTheme::light)}) {
        SettingsStore settings(settingsDir.filePath(QStringLiteral("dash%1.ini").arg(n++)));
        ThemeManager themes(settings);
        themes.setCurrentTheme(theme);
        ok = writeDashboardPage(new APISentinelView(stats.get(), {&themes, ai.localAI.get(), ai.latency.get(), &ai.proxy}),
                                theme,
                                directory + QStringLiteral("/dashboard-api-sentinel-hostile-")
                                    + theme.rawValue().toLower() + QStringLiteral(".png"))
             && ok;
    }

    // A server whose answer was refused: the list is empty and says why.
    ai.localAI->setDemoMode(false);
    ai.localAI->setActiveModels({});
    ai.localAI->setStatus(OllamaStatus::offline);
    ai.localAI->setModelListRefusal(QStringLiteral("Model server answer refused: headers over 64 KiB"));
    for (AppTheme theme : {AppTheme(AppTheme::standard), AppTheme(AppTheme::light)}) {
        SettingsStore settings(settingsDir.filePath(QStringLiteral("dash%1.ini").arg(n++)));
        ThemeManager themes(settings);
        themes.setCurrentTheme(theme);
        ok = writeDashboardPage(new AIModelsView(stats.get(), &monitor,
                                                 {&themes, ai.localAI.get(), ai.buildCache.get(), &settings}),
                                theme,
                                directory + QStringLiteral("/dashboard-ai-models-refused-")
                                    + theme.rawValue().toLower() + QStringLiteral(".png"))
             && ok;
    }
    // The popover is narrower: the longest refusal there.
    ai.localAI->setModelListRefusal(QStringLiteral("Model server answer refused: not a readable model list"));
    // Containers as docker lists them: one running, one paused by someone
    // else, one paused by the battery shield; no listeners, so they show
    // without scrolling.
    ai.localAI->setActiveLocalPorts({});
    ai.localAI->setActiveVectorDBs({
        {QStringLiteral("chroma-dev"), 8000, QStringLiteral("184 MB"), QStringLiteral("4f2a91c07d3e"),
         VectorDatabaseInfo::runningStatus()},
        {QStringLiteral("qdrant-notes"), 6333, QStringLiteral("242 MB"), QStringLiteral("b81c3e5a9f10"),
         VectorDatabaseInfo::pausedStatus()},
        {QStringLiteral("weaviate"), 8080, QStringLiteral("301 MB"), QStringLiteral("e07d5b2c6a48"),
         VectorDatabaseInfo::shieldedStatus()},
    });
    for (AppTheme theme : {AppTheme(AppTheme::standard), AppTheme(AppTheme::light)}) {
        const QString suffix = theme.rawValue().toLower() + QStringLiteral(".png");
        ok = popoverShot(theme, 0, false, QStringLiteral("ai-telemetry-refused-") + suffix) && ok;
        ok = popoverShot(theme, 3, false, QStringLiteral("ai-servers-paused-") + suffix) && ok;
    }
    return ok;
}
