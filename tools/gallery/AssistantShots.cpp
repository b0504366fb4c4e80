#include "AssistantShots.h"
#include "SampleSampler.h"

#include "core/Clock.h"
#include "core/NotificationCenter.h"
#include "core/Random.h"
#include "core/SettingsStore.h"
#include "dashboard/DashboardRouter.h"
#include "dashboard/SettingsView.h"
#include "dashboard/SidebarCatalog.h"
#include "dashboard/assistant/AICoPilotView.h"
#include "localai/BuildCacheService.h"
#include "localai/LocalAIService.h"
#include "platform/ProcessSignaller.h"
#include "platform/ProcessTable.h"
#include "platform/SessionProcessGuard.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "theme/ThemeManager.h"
#include "widgets/AccentPillButton.h"

#include <QApplication>
#include <QCoroTimer>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>

namespace {

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// Canned answers at once, and one question left waiting for the typing row.
QCoro::Task<QString> sampleAnswer(QString query)
{
    if (query.startsWith(QLatin1String("Why")))
        co_return QStringLiteral("Your Mac is running cool at 52.4\u00B0C. There is no immediate risk of thermal "
                                 "throttling right now.");
    if (query.startsWith(QLatin1String("Is")))
        co_return QStringLiteral("Memory pressure is low (38%) and CPU is optimal. If you're experiencing lag, it "
                                 "might be an issue isolated to a specific app.");
    co_await QCoro::sleepFor(std::chrono::hours(1));
    co_return QString();
}

// The window's scrolling content pane: the outermost scroll area right of
// the sidebar.
QScrollArea* contentPane(SettingsView& window)
{
    for (QScrollArea* area : window.findChildren<QScrollArea*>()) {
        bool nested = false;
        for (QWidget* up = area->parentWidget(); up && !nested; up = up->parentWidget())
            nested = qobject_cast<QScrollArea*>(up) != nullptr;
        if (!nested && area->mapTo(&window, QPoint(0, 0)).x() >= SidebarCatalog::kWidth)
            return area;
    }
    return nullptr;
}

struct Page {
    const char* title;
    const char* file;
};

} // namespace

bool writeAssistantScreenshots(const QString& directory)
{
    QTemporaryDir dir;
    ProcessTable table;
    ProcessMonitor monitor(ProcessMonitor::Deps{&table, &ProcessSignaller::system(), &SessionProcessGuard::system(),
                                                nullptr, &Clock::system(), &Random::shared(), {}});
    SampleSampler stats;
    stats.get()->setSocTemperature(52.4);
    NotificationCenter notifications;

    LocalAIService::Deps localDeps;
    localDeps.paths.home = dir.path();
    localDeps.modelServerUrl = QUrl(QStringLiteral("http://127.0.0.1:9"));
    LocalAIService localAI(std::move(localDeps), false);
    localAI.setActiveModels({{.name = QStringLiteral("llama3.1:8b")}, {.name = QStringLiteral("qwen2.5-coder:7b")}});
    localAI.setActiveVectorDBs({{QStringLiteral("qdrant"), 6333, QStringLiteral("212 MB"), QStringLiteral("c41f"),
                                 QStringLiteral("Running")}});
    BuildCacheService buildCache(BuildCacheService::Deps{.home = dir.path(), .demoMode = {}});

    // The standard pages, with a co-pilot that answers from canned lines.
    DashboardRouter router = DashboardRouter::standard();
    router.setFactory(DashboardPage::aiCoPilot, [&](const DashboardPageContext& c) -> QWidget* {
        return new AICoPilotView({c.stats, [](QString query, AIService::FiguresSource) { return sampleAnswer(query); },
                                  &localAI, &buildCache, c.themeManager});
    });

    const Page pages[] = {
        {"AI Co-Pilot", "assistant-copilot"},
        {"System Info", "assistant-systeminfo"},
        {"Help Guide", "assistant-guide"},
    };
    bool ok = true;
    int n = 0;
    for (const AppTheme theme : {AppTheme(AppTheme::standard), AppTheme(AppTheme::light)}) {
        for (const Page& page : pages) {
            SettingsStore settings(dir.filePath(QStringLiteral("assistant%1.ini").arg(n++)));
            settings.setHasCompletedOnboardingTour(true);
            ThemeManager themes(settings);
            themes.setCurrentTheme(theme);
            SettingsView::Deps deps;
            deps.themeManager = &themes;
            deps.processMonitor = &monitor;
            deps.statsProvider = stats.get();
            deps.settings = &settings;
            deps.notifications = &notifications;
            deps.quit = [] {};
            deps.buildCache = &buildCache;
            deps.localAI = &localAI;
            deps.router = &router;
            SettingsView window(deps, QString::fromLatin1(page.title));
            window.show();
            settle();
            if (auto* copilot = window.findChild<AICoPilotView*>()) {
                for (const char* question :
                     {"Why are my fans loud?", "Is <memory> the bottleneck?", "Which ports are open?",
                      "sha256-6a0746a1ec1aef3e7ec53868f220ff6e389f6f8ef87a01d77c96807de94ca2aa6a0746a1ec1aef3e7ec53868"
                      "f220ff6e389f6f8ef87a01d77c96807de94ca2aa-why-is-this-blob-loaded-twice?"}) {
                    copilot->inputField()->setText(QString::fromLatin1(question));
                    copilot->sendButton()->click();
                }
                // The chat and the page follow the last question in a few turns.
                settle();
                settle();
            }
            const QString suffix = theme.isLight() ? QStringLiteral("-light.png") : QStringLiteral("-dark.png");
            ok = window.grab().save(directory + QLatin1Char('/') + QLatin1String(page.file) + suffix) && ok;
            // Pages taller than the window: the end of the page as well.
            if (QScrollArea* pane = contentPane(window); pane && pane->verticalScrollBar()->maximum() > 0) {
                pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
                settle();
                ok = window.grab().save(directory + QLatin1Char('/') + QLatin1String(page.file) + QStringLiteral("-end")
                                        + suffix)
                    && ok;
            }
        }
    }
    return ok;
}
