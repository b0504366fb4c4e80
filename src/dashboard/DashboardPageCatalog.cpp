// The pages the dashboard can show. A page joins by registering its factory
// here; titles and aliases live in the router's table.

#include "dashboard/ai/AIHardwareView.h"
#include "dashboard/ai/APISentinelView.h"
#include "dashboard/DashboardRouter.h"

const DashboardRouter& DashboardRouter::standard()
{
    static const DashboardRouter router = [] {
        DashboardRouter r;
        r.setFactory(DashboardPage::aiHardware, [](const DashboardPageContext& c) -> QWidget* {
            return new AIHardwareView(c.stats, c.themeManager);
        });
        r.setFactory(DashboardPage::apiSentinel, [](const DashboardPageContext& c) -> QWidget* {
            if (!c.localAI || !c.latency || !c.proxy)
                return nullptr;
            return new APISentinelView(c.stats, {c.themeManager, c.localAI, c.latency, c.proxy});
        });
        return r;
    }();
    return router;
}
