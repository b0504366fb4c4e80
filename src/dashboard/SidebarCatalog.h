#pragma once

#include "dashboard/SidebarItem.h"
#include "telemetry/WorkspacePersona.h"

#include <QList>

// What the dashboard's sidebar lists, and how wide it is: the persona's own
// section, the monitors, and the preferences that are the same for everyone.
class SidebarCatalog {
public:
    static constexpr int kWidth = 230;

    static QString aiSectionHeader(WorkspacePersona persona);
    static QList<SidebarItem> aiSectionItems(WorkspacePersona persona);
    static QList<SidebarItem> monitorSectionItems(WorkspacePersona persona);
    static const QList<SidebarItem>& utilityItems();
};
