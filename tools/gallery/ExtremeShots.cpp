#include "ExtremeShots.h"
#include "InertOpener.h"
#include "SampleLocalAI.h"
#include "SampleSampler.h"

#include "core/Clock.h"
#include "core/NotificationCenter.h"
#include "core/Random.h"
#include "core/SettingsStore.h"
#include "dashboard/DashboardPageState.h"
#include "dashboard/ai/AIHardwareView.h"
#include "dashboard/ai/AIModelsView.h"
#include "dashboard/ai/APISentinelView.h"
#include "dashboard/pages/DiskPage.h"
#include "dashboard/pages/MemoryPage.h"
#include "dashboard/pages/NetworkPage.h"
#include "dashboard/pages/PowerPage.h"
#include "dashboard/pages/SensorsPage.h"
#include "platform/ProcessSignaller.h"
#include "platform/ProcessTable.h"
#include "platform/SessionProcessGuard.h"
#include "popover/PopoverView.h"
#include "popover/ai/AITabView.h"
#include "telemetry/PingService.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "telemetry/WorkspacePersona.h"
#include "theme/ColorScheme.h"
#include "theme/ThemeManager.h"

#include <QApplication>
#include <QCoroTask>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QDateTime>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

namespace {

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// Figures at the far end of what a machine can show: a saturated 10 Gbit/s
// link both ways, a 16 TB disk nearly full, a 250 W draw, 9,999 models.
void setExtremeFigures(SystemStatsProvider* stats)
{
    stats->setNetworkUpload(999999.9);
    stats->setNetworkDownload(999999.9);
    stats->setDiskTotal(16384.0);
    stats->setDiskUsed(8191.9);
    stats->setDiskRead(9999.9);
    stats->setDiskWrite(9999.9);
    stats->setPowerDraw(250.0);
    stats->setAnePowerDraw(250.0);
    stats->setMemoryTotal(2048);
    stats->setMemoryUsed(2047.9);
    stats->setMemoryApp(1999.99);
    stats->setMemoryWired(1024.5);
    stats->setMemoryCompressed(512.25);
    stats->setMemorySwap(4096.0);
    stats->setAiVramUsed(1024.0);
    stats->setAiVramTotal(2048.0);
    stats->setHuggingFaceCacheSizeInGB(16384.0);
}

QList<LocalAIModel> manyModels()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<LocalAIModel> models;
    for (int i = 0; i < 9999; ++i)
        models.append({QStringLiteral("model-%1:70b").arg(i), qint64(16) << 40, QStringLiteral("70B"),
                       QStringLiteral("Q8_0"), QStringLiteral("gguf"), now.addSecs(240)});
    return models;
}

// Each cache folder holds 16 TiB of sparse files: the sizes are measured
// for real, with nothing written to the disk.
void fillCaches(BuildCacheService& caches, const QString& home)
{
    for (const char* folder : {"Library/Developer/Xcode/DerivedData", ".cache/org.swift.swiftpm", ".npm",
                               ".cargo/registry", ".cache/go-build", ".cache/com.apple.FinalCut",
                               ".cache/DaVinci Resolve", ".local/share/Adobe/Common/Media Cache Files"}) {
        const QString path = home + QLatin1Char('/') + QLatin1String(folder);
        QDir().mkpath(path);
        // Two halves: ext4 holds files just under 16 TiB.
        for (const char* name : {"/a", "/b"}) {
            QFile file(path + QLatin1String(name));
            if (file.open(QIODevice::WriteOnly))
                file.resize(qint64(8) << 40);
        }
    }
    QCoro::Task<> scan = caches.scanCaches();
    for (int i = 0; i < 250 && caches.adobeCacheSize() == 0; ++i) {
        QEventLoop wait;
        QTimer::singleShot(20, &wait, &QEventLoop::quit);
        wait.exec();
    }
}

// The page as the dashboard's content pane holds it, `width` wide.
bool renderDashboard(QWidget* page, const AppTheme& theme, const QString& path, int width = 730)
{
    QWidget host;
    const ColorScheme scheme = theme.colorScheme();
    applyColorScheme(&host, scheme, theme.contentBackground().resolve(scheme));
    auto* column = new QVBoxLayout(&host);
    column->setContentsMargins(30, 20, 30, 20);
    column->addWidget(page);
    host.setFixedWidth(width);
    host.show();
    settle();
    host.adjustSize();
    host.setFixedHeight(host.heightForWidth(width) > 0 ? host.heightForWidth(width) : host.sizeHint().height());
    settle();
    return host.grab().save(path);
}

} // namespace

bool writeExtremeScreenshots(const QString& directory)
{
    QTemporaryDir dir;
    ProcessTable table;
    Random random(11);
    ProcessMonitor monitor(ProcessMonitor::Deps{&table, &ProcessSignaller::system(), &SessionProcessGuard::system(),
                                                nullptr, &Clock::system(), &random, {}});
    SampleSampler stats;
    PingService ping(PingService::Deps{}, false);
    InertOpener opener;
    NotificationCenter notifications;
    SampleLocalAI ai;
    ai.localAI->setActiveModels(manyModels());
    ai.proxy.setRequestCount(9999999999);
    QList<LocalPortInfo> ports;
    QList<qint32> held;
    for (int i = 0; i < 9999; ++i) {
        ports.append({40000 + i, QStringLiteral("node"), 100000 + i});
        held.append(100000 + i);
    }
    ai.localAI->setActiveLocalPorts(ports);
    ai.localAI->setSuspendedPIDs(held);
    QTemporaryDir cacheHome;
    BuildCacheService caches({cacheHome.path(), [] { return false; }, nullptr, nullptr});
    fillCaches(caches, cacheHome.path());
    setExtremeFigures(stats.get());
    monitor.setBatteryShameList({{QStringLiteral("clang++"), 99999999.99},
                                 {QStringLiteral("ollama_llama_server"), 9999999.99},
                                 {QStringLiteral("firefox-esr"), 999999.99}});
    QList<ModelCacheFile> files = ai.localAI->cachedModelFiles();
    if (!files.isEmpty())
        files.first().size = qint64(16) << 40;
    ai.localAI->setCachedModelFiles(files);

    bool ok = true;
    int n = 0;
    for (const AppTheme theme : {AppTheme(AppTheme::standard), AppTheme(AppTheme::light)}) {
        const QString suffix = theme.isLight() ? QStringLiteral("light") : QStringLiteral("dark");
        const auto file = [&](const QString& name) {
            return directory + QStringLiteral("/extreme-%1-%2.png").arg(name, suffix);
        };
        SettingsStore settings(dir.filePath(QStringLiteral("extreme%1.ini").arg(n++)));
        settings.setWorkspacePersona(WorkspacePersona(WorkspacePersona::aiEngineer).rawValue());
        ThemeManager themes(settings);
        themes.setCurrentTheme(theme);

        // The popover's pages at its own size.
        const auto popoverShot = [&](int tab, int subTab, const QString& name) {
            QWidget host(nullptr, Qt::FramelessWindowHint | Qt::Tool);
            auto* layout = new QVBoxLayout(&host);
            layout->setContentsMargins(0, 0, 0, 0);
            PopoverView::Services services;
            services.settings = &settings;
            services.notifications = &notifications;
            services.opener = &opener;
            services.localAI = ai.localAI.get();
            services.buildCache = &caches;
            services.latency = ai.latency.get();
            auto* view = new PopoverView(stats.get(), &monitor, &ping, &themes, nullptr, services);
            view->setSelectedTab(tab);
            layout->addWidget(view);
            host.show();
            settle();
            if (auto* page = qobject_cast<AITabView*>(view->currentPage())) {
                page->setSelectedSubTab(subTab);
                settle();
            }
            return host.grab().save(file(name));
        };
        ok = popoverShot(1, 0, QStringLiteral("popover-network")) && ok;
        ok = popoverShot(2, 0, QStringLiteral("popover-disk")) && ok;
        ok = popoverShot(3, 0, QStringLiteral("popover-memory")) && ok;
        ok = popoverShot(4, 0, QStringLiteral("popover-ai-telemetry")) && ok;
        ok = popoverShot(4, 1, QStringLiteral("popover-ai-optimizer")) && ok;
        ok = popoverShot(4, 2, QStringLiteral("popover-ai-caches")) && ok;
        ok = popoverShot(4, 3, QStringLiteral("popover-ai-servers")) && ok;

        DashboardPageState state(QStringLiteral("Disk"));
        ok = renderDashboard(new NetworkPage(stats.get()), theme, file(QStringLiteral("dashboard-network"))) && ok;
        // A narrower pane: the two cards still hold their figures.
        ok = renderDashboard(new NetworkPage(stats.get()), theme, file(QStringLiteral("dashboard-network-narrow")), 480)
             && ok;
        for (const WorkspacePersona persona : WorkspacePersona::allCases()) {
            settings.setWorkspacePersona(persona.rawValue());
            const QString name = persona.rawValue().toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
            ok = renderDashboard(new DiskPage({stats.get(), &caches, &settings, &themes, &state}), theme,
                                 file(QStringLiteral("dashboard-disk-") + name))
                 && ok;
        }
        ok = renderDashboard(new PowerPage({stats.get(), &monitor, &themes}), theme, file(QStringLiteral("dashboard-power")))
             && ok;
        ok = renderDashboard(new SensorsPage({stats.get(), &monitor, &settings, &themes}), theme,
                             file(QStringLiteral("dashboard-sensors")))
             && ok;
        ok = renderDashboard(new MemoryPage({stats.get(), &monitor, &settings, &themes, &state}), theme,
                             file(QStringLiteral("dashboard-memory")))
             && ok;
        ok = renderDashboard(new AIHardwareView(stats.get(), &themes), theme, file(QStringLiteral("dashboard-ai-hardware")))
             && ok;
        ok = renderDashboard(
                 new APISentinelView(stats.get(), {&themes, ai.localAI.get(), ai.latency.get(), &ai.proxy}), theme,
                 file(QStringLiteral("dashboard-api-sentinel")))
             && ok;
        ok = renderDashboard(new AIModelsView(stats.get(), &monitor,
                                              {&themes, ai.localAI.get(), ai.buildCache.get(), &settings}),
                             theme, file(QStringLiteral("dashboard-ai-models")))
             && ok;
    }
    return ok;
}
