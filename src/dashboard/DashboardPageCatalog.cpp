// The pages the dashboard can show. A page joins by registering its factory
// here; titles and aliases live in the router's table.

#include "dashboard/ai/AIHardwareView.h"
#include "dashboard/DashboardRouter.h"
#include "dashboard/pages/PerformancePresetsView.h"

const DashboardRouter& DashboardRouter::standard()
{
    static const DashboardRouter router = [] {
        DashboardRouter r;
        r.setFactory(DashboardPage::aiHardware, [](const DashboardPageContext& c) -> QWidget* {
            return new AIHardwareView(c.stats, c.themeManager);
        });
        r.setFactory(DashboardPage::performancePresets, [](const DashboardPageContext& c) -> QWidget* {
            return new PerformancePresetsView(c.presetManager, c.themeManager);
        });
        return r;
    }();
    return router;
}
