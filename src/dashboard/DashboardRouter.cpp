#include "dashboard/DashboardRouter.h"

#include <QWidget>

namespace {

struct Route {
    DashboardPage page;
    QStringList titles;
};

// First match wins; the titles of one row are alternatives for one page.
const QList<Route>& routes()
{
    static const QList<Route> table = {
        {DashboardPage::settings, {QStringLiteral("Settings")}},
        {DashboardPage::history, {QStringLiteral("History")}},
        {DashboardPage::sensors, {QStringLiteral("Sensors")}},
        {DashboardPage::memory, {QStringLiteral("Memory"), QStringLiteral("VRAM Shield")}},
        {DashboardPage::disk,
         {QStringLiteral("Disk"), QStringLiteral("Developer Caches"), QStringLiteral("Creator Caches"),
          QStringLiteral("Game Caches")}},
        {DashboardPage::power, {QStringLiteral("Power")}},
        {DashboardPage::network, {QStringLiteral("Network")}},
        {DashboardPage::fans, {QStringLiteral("Fans"), QStringLiteral("Fans & Cooling")}},
        {DashboardPage::aiHardware, {QStringLiteral("AI Hardware")}},
        {DashboardPage::aiModels, {QStringLiteral("AI Models")}},
        {DashboardPage::performancePresets, {QStringLiteral("Performance Presets")}},
        {DashboardPage::apiSentinel, {QStringLiteral("API Sentinel")}},
        {DashboardPage::aiCoPilot, {QStringLiteral("AI Co-Pilot")}},
        {DashboardPage::helpGuide, {QStringLiteral("Help Guide")}},
        {DashboardPage::systemInfo, {QStringLiteral("System Info")}},
    };
    return table;
}

} // namespace

DashboardPage DashboardRouter::route(const QString& title)
{
    for (const Route& route : routes())
        if (route.titles.contains(title, Qt::CaseSensitive))
            return route.page;
    return DashboardPage::empty;
}

QStringList DashboardRouter::titles(DashboardPage page)
{
    for (const Route& route : routes())
        if (route.page == page)
            return route.titles;
    return {};
}

bool DashboardRouter::showsScrollIndicator(DashboardPage page)
{
    switch (page) {
    case DashboardPage::memory:
    case DashboardPage::disk:
    case DashboardPage::power:
    case DashboardPage::network:
    case DashboardPage::fans: return true;
    default: return false;
    }
}

void DashboardRouter::setFactory(DashboardPage page, Factory factory) { m_factories[size_t(page)] = std::move(factory); }

bool DashboardRouter::hasFactory(DashboardPage page) const { return bool(m_factories[size_t(page)]); }

QWidget* DashboardRouter::build(const QString& title, const DashboardPageContext& context) const
{
    const Factory& factory = m_factories[size_t(route(title))];
    if (QWidget* page = factory ? factory(context) : nullptr)
        return page;
    // The empty page: nothing but room.
    auto* empty = new QWidget;
    empty->setObjectName(QStringLiteral("emptyPage"));
    return empty;
}
