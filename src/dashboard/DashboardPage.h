#pragma once

// The pages the dashboard's content pane can show. Several sidebar titles
// lead to one page (see DashboardRouter::route).
enum class DashboardPage {
    settings,
    history,
    sensors,
    memory,
    disk,
    power,
    network,
    fans,
    aiHardware,
    aiModels,
    performancePresets,
    apiSentinel,
    aiCoPilot,
    helpGuide,
    systemInfo,
    empty, // any title outside the vocabulary
};

inline constexpr int kDashboardPageCount = int(DashboardPage::empty) + 1;
