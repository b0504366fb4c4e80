#include "DiskShots.h"
#include "SampleSampler.h"

#include "core/SettingsStore.h"
#include "dashboard/DashboardPageState.h"
#include "dashboard/pages/DiskPage.h"
#include "localai/BuildCacheService.h"
#include "telemetry/SystemStatsProvider.h"
#include "telemetry/WorkspacePersona.h"
#include "theme/ColorScheme.h"
#include "theme/ThemeManager.h"

#include <QApplication>
#include <QCoroTask>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace {

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

bool render(QWidget* page, const AppTheme& theme, const QString& path)
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
    host.adjustSize();
    host.setFixedHeight(host.sizeHint().height());
    settle();
    return host.grab().save(path);
}

} // namespace

bool writeDiskScreenshots(const QString& directory)
{
    QTemporaryDir dir;
    SampleSampler stats;
    stats.get()->setDiskUsed(245.3);
    stats.get()->setDiskTotal(494.4);
    stats.get()->setHuggingFaceCacheSizeInGB(34.2);
    // Demo figures for the cache rows; no file is looked at.
    BuildCacheService buildCache({dir.path(), [] { return true; }, nullptr, nullptr});
    {
        QCoro::Task<> scan = buildCache.scanCaches();
        QEventLoop loop;
        for (int i = 0; i < 50 && buildCache.goCacheSize() == 0; ++i)
            loop.processEvents(QEventLoop::AllEvents, 20);
    }

    bool ok = true;
    int n = 0;
    for (const AppTheme theme : {AppTheme(AppTheme::standard), AppTheme(AppTheme::light)}) {
        const QString suffix = theme.isLight() ? QStringLiteral("light") : QStringLiteral("dark");
        for (const WorkspacePersona persona : WorkspacePersona::allCases()) {
            SettingsStore settings(dir.filePath(QStringLiteral("disk%1.ini").arg(n++)));
            settings.setWorkspacePersona(persona.rawValue());
            ThemeManager themes(settings);
            themes.setCurrentTheme(theme);
            DashboardPageState state(QStringLiteral("Disk"));
            // The dark shots show runs under way: a found amount and a banner;
            // the light ones a Hugging Face purge that failed.
            if (!theme.isLight()) {
                state.setJunkFoundInGB(5.43);
                state.setShowHFSuccess(persona == WorkspacePersona::aiEngineer);
            } else {
                state.setShowHFFailure(persona == WorkspacePersona::aiEngineer);
            }
            const QString name = persona.rawValue().toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
            ok = render(new DiskPage({stats.get(), &buildCache, &settings, &themes, &state}), theme,
                        directory + QStringLiteral("/disk-%1-%2.png").arg(name, suffix)) && ok;
        }
    }
    return ok;
}
