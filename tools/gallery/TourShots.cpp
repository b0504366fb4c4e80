#include "TourShots.h"
#include "SampleSampler.h"

#include "core/NotificationCenter.h"
#include "core/Scheduler.h"
#include "core/SettingsStore.h"
#include "dashboard/SettingsView.h"
#include "dashboard/tour/OnboardingTourOverlay.h"
#include "core/Clock.h"
#include "core/Random.h"
#include "platform/ProcessSignaller.h"
#include "platform/ProcessTable.h"
#include "platform/SessionProcessGuard.h"
#include "telemetry/ProcessMonitor.h"
#include "theme/ThemeManager.h"
#include "widgets/Animations.h"

#include <QApplication>
#include <QCoroSignal>
#include <QTemporaryDir>

#include <memory>

namespace {

// The tour's cyclers wait here until the gallery moves them on by hand.
class HeldScheduler final : public Scheduler {
public:
    QCoro::Task<> sleepFor(std::chrono::milliseconds) override
    {
        QObject* gate = &m_gate;
        co_await qCoro(gate, &QObject::objectNameChanged);
    }
    // Ends every wait under way; their ticks run from the event loop.
    void release()
    {
        m_gate.setObjectName(m_gate.objectName() + QLatin1Char('.'));
        settle();
    }
    static void settle()
    {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    }

private:
    QObject m_gate;
};

} // namespace

bool writeTourScreenshots(const QString& directory)
{
    const bool animations = Animations::enabled();
    Animations::setEnabled(false);
    QTemporaryDir settingsDir;
    SampleSampler stats;
    // Pages the tour walks to list processes; this monitor never scans.
    ProcessTable table;
    ProcessMonitor monitor(ProcessMonitor::Deps{&table, &ProcessSignaller::system(), &SessionProcessGuard::system(),
                                                nullptr, &Clock::system(), &Random::shared(), {}});
    HeldScheduler scheduler;
    OnboardingTourOverlay::install(&scheduler);

    // Ticks before each shot, so the moving steps show a cycle under way.
    const int ticks[] = {0, 0, 1, 3, 3, 4};
    bool ok = true;
    int n = 0;
    for (const AppTheme theme : {AppTheme::standard, AppTheme::light, AppTheme::ink}) {
        for (int step = 0; step <= 5; ++step) {
            SettingsStore settings(settingsDir.filePath(QStringLiteral("tour%1.ini").arg(n++)));
            ThemeManager themes(settings);
            themes.setCurrentTheme(theme);
            NotificationCenter notifications;
            SettingsView::Deps deps;
            deps.themeManager = &themes;
            deps.statsProvider = stats.get();
            deps.processMonitor = &monitor;
            deps.settings = &settings;
            deps.notifications = &notifications;
            deps.quit = [] {};
            SettingsView root(std::move(deps), QStringLiteral("AI Hardware"));
            root.show();
            settings.setOnboardingTourStep(step);
            for (int i = 0; i < ticks[step]; ++i)
                scheduler.release();
            HeldScheduler::settle();
            const QString file = QStringLiteral("%1/tour-%2-step%3.png")
                                     .arg(directory, theme == AppTheme::ink ? QStringLiteral("ink")
                                                     : theme.isLight()     ? QStringLiteral("light")
                                                                           : QStringLiteral("dark"))
                                     .arg(step);
            ok = root.grab().save(file) && ok;
        }
    }
    SettingsView::setOnboardingOverlayFactory({});
    Animations::setEnabled(animations);
    return ok;
}
