// The pages the dashboard can show. A page joins by registering its factory
// here; titles and aliases live in the router's table.

#include "dashboard/ai/AIHardwareView.h"
#include "core/Scheduler.h"
#include "dashboard/ai/AIModelsView.h"
#include "dashboard/ai/APISentinelView.h"
#include "dashboard/assistant/AICoPilotView.h"
#include "dashboard/assistant/AIGuideView.h"
#include "dashboard/assistant/SystemInfoView.h"
#include "dashboard/SettingsView.h"
#include "dashboard/DashboardRouter.h"
#include "dashboard/pages/PerformancePresetsView.h"
#include "dashboard/pages/FansPage.h"
#include "dashboard/pages/HistoryPage.h"
#include "dashboard/pages/MemoryPage.h"
#include "dashboard/pages/NetworkPage.h"
#include "dashboard/pages/PowerPage.h"
#include "dashboard/pages/SensorsPage.h"
#include "dashboard/pages/SettingsPage.h"
#include "telemetry/AIService.h"

const DashboardRouter& DashboardRouter::standard()
{
    static const DashboardRouter router = [] {
        DashboardRouter r;
        r.setFactory(DashboardPage::aiHardware, [](const DashboardPageContext& c) -> QWidget* {
            return new AIHardwareView(c.stats, c.themeManager);
        });
        r.setFactory(DashboardPage::aiModels, [](const DashboardPageContext& c) -> QWidget* {
            if (!c.localAI || !c.buildCache || !c.processMonitor)
                return nullptr;
            return new AIModelsView(c.stats, c.processMonitor, {c.themeManager, c.localAI, c.buildCache, c.settings});
        });
        r.setFactory(DashboardPage::apiSentinel, [](const DashboardPageContext& c) -> QWidget* {
            if (!c.localAI || !c.latency || !c.proxy)
                return nullptr;
            return new APISentinelView(c.stats, {c.themeManager, c.localAI, c.latency, c.proxy});
        });
        r.setFactory(DashboardPage::performancePresets, [](const DashboardPageContext& c) -> QWidget* {
            return new PerformancePresetsView(c.presetManager, c.themeManager);
        });
        r.setFactory(DashboardPage::settings, [](const DashboardPageContext& c) -> QWidget* {
            if (!c.root || !c.root->launchManager())
                return nullptr;
            return new SettingsPage({c.state, c.settings, c.themeManager, c.root->launchManager()});
        });
        r.setFactory(DashboardPage::history, [](const DashboardPageContext& c) -> QWidget* {
            if (!c.copilot || !c.processMonitor)
                return nullptr;
            AIService* copilot = c.copilot;
            HistoryPage::Deps deps{c.stats, c.processMonitor, c.themeManager,
                                   [copilot](double cpu, double temp, double memory, int battery) {
                                       return copilot->generateHealthReport(cpu, temp, memory, battery);
                                   },
                                   {}};
            return new HistoryPage(std::move(deps));
        });
        r.setFactory(DashboardPage::sensors, [](const DashboardPageContext& c) -> QWidget* {
            if (!c.processMonitor) // no process list: the empty page
                return nullptr;
            return new SensorsPage({c.stats, c.processMonitor, c.settings, c.themeManager});
        });
        r.setFactory(DashboardPage::memory, [](const DashboardPageContext& c) -> QWidget* {
            if (!c.processMonitor) // no process list: the empty page
                return nullptr;
            return new MemoryPage({c.stats, c.processMonitor, c.settings, c.themeManager, c.state});
        });
        r.setFactory(DashboardPage::power, [](const DashboardPageContext& c) -> QWidget* {
            if (!c.processMonitor) // no process list: the empty page
                return nullptr;
            return new PowerPage({c.stats, c.processMonitor, c.themeManager});
        });
        r.setFactory(DashboardPage::network,
                     [](const DashboardPageContext& c) -> QWidget* { return new NetworkPage(c.stats); });
        r.setFactory(DashboardPage::fans,
                     [](const DashboardPageContext& c) -> QWidget* { return new FansPage(c.stats, c.themeManager); });
        r.setFactory(DashboardPage::aiCoPilot, [](const DashboardPageContext& c) -> QWidget* {
            BuildCacheService* buildCache = c.root ? c.root->buildCache() : nullptr;
            if (!c.localAI || !c.copilot || !buildCache)
                return nullptr;
            AIService* copilot = c.copilot;
            auto chat = [copilot](QString query, AIService::FiguresSource figures) {
                return copilot->chatWithSystem(std::move(query), std::move(figures));
            };
            return new AICoPilotView({c.stats, chat, c.localAI, buildCache, c.themeManager});
        });
        r.setFactory(DashboardPage::systemInfo, [](const DashboardPageContext& c) -> QWidget* {
            return new SystemInfoView({c.stats, c.themeManager, &Scheduler::system(), nullptr});
        });
        r.setFactory(DashboardPage::helpGuide, [](const DashboardPageContext& c) -> QWidget* {
            return new AIGuideView(c.themeManager);
        });
        return r;
    }();
    return router;
}
