// The pages the dashboard can show. A page joins by registering its factory
// here; titles and aliases live in the router's table.

#include "dashboard/ai/AIHardwareView.h"
#include "core/Scheduler.h"
#include "dashboard/assistant/AICoPilotView.h"
#include "dashboard/assistant/AIGuideView.h"
#include "dashboard/assistant/SystemInfoView.h"
#include "dashboard/SettingsView.h"
#include "dashboard/DashboardRouter.h"

const DashboardRouter& DashboardRouter::standard()
{
    static const DashboardRouter router = [] {
        DashboardRouter r;
        r.setFactory(DashboardPage::aiHardware, [](const DashboardPageContext& c) -> QWidget* {
            return new AIHardwareView(c.stats, c.themeManager);
        });
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
