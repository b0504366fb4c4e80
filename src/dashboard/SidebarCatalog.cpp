#include "dashboard/SidebarCatalog.h"

namespace {

SidebarItem item(const char* icon, const char* title)
{
    return {QString::fromLatin1(icon), QString::fromLatin1(title)};
}

} // namespace

QString SidebarCatalog::aiSectionHeader(WorkspacePersona persona)
{
    switch (persona) {
    case WorkspacePersona::aiEngineer: return QStringLiteral("AI INTELLIGENCE");
    case WorkspacePersona::developer: return QStringLiteral("DEVELOPER SUITE");
    case WorkspacePersona::creator: return QStringLiteral("CREATIVE SUITE");
    case WorkspacePersona::gamer: return QStringLiteral("GAMER SUITE");
    }
    return QStringLiteral("AI INTELLIGENCE");
}

QList<SidebarItem> SidebarCatalog::aiSectionItems(WorkspacePersona persona)
{
    const SidebarItem presets = item("bolt.shield.fill", "Performance Presets");
    const SidebarItem sentinel = item("bolt.horizontal.circle.fill", "API Sentinel");
    const SidebarItem coPilot = item("sparkles", "AI Co-Pilot");
    switch (persona) {
    case WorkspacePersona::aiEngineer:
        return {item("cpu", "AI Hardware"), item("shippingbox.fill", "AI Models"), presets, sentinel, coPilot};
    case WorkspacePersona::developer: return {presets, sentinel, coPilot};
    case WorkspacePersona::creator: return {presets, item("memorychip", "VRAM Shield")};
    case WorkspacePersona::gamer: return {presets};
    }
    return {};
}

QList<SidebarItem> SidebarCatalog::monitorSectionItems(WorkspacePersona persona)
{
    const SidebarItem sensors = item("cpu", "Sensors");
    const SidebarItem memory = item("memorychip", "Memory");
    const SidebarItem network = item("link", "Network");
    const SidebarItem fans = item("fanblades.fill", "Fans");
    const SidebarItem power = item("bolt.fill", "Power");
    const SidebarItem history = item("clock.fill", "History");
    switch (persona) {
    case WorkspacePersona::aiEngineer:
        return {sensors, memory, item("externaldrive.fill", "Disk"), network, fans, power, history};
    case WorkspacePersona::developer:
        return {sensors, memory, item("externaldrive.fill", "Developer Caches"), network, fans, power, history};
    case WorkspacePersona::creator:
        return {sensors, memory, item("externaldrive.fill", "Creator Caches"), fans, power, history};
    case WorkspacePersona::gamer:
        return {sensors, memory, item("externaldrive.fill", "Game Caches"), item("fanblades.fill", "Fans & Cooling"),
                power};
    }
    return {};
}

const QList<SidebarItem>& SidebarCatalog::utilityItems()
{
    static const QList<SidebarItem> items = {item("info.circle.fill", "System Info"), item("book.fill", "Help Guide"),
                                             item("gearshape.fill", "Settings")};
    return items;
}
