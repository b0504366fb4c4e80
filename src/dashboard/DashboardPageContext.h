#pragma once

class AIService;
class BuildCacheService;
class DashboardPageState;
class LocalAIService;
class LocalAPILatencyService;
class LocalAPIProxyService;
class PresetManager;
class ProcessMonitor;
class SettingsStore;
class SettingsView;
class SystemStatsProvider;
class ThemeManager;

// What a dashboard page is built with: the window's root and its state, and
// the services the root holds. Pointers stay valid for the page's lifetime
// (the root owns the page).
struct DashboardPageContext {
    SettingsView* root = nullptr;
    DashboardPageState* state = nullptr;
    SystemStatsProvider* stats = nullptr;
    ProcessMonitor* processMonitor = nullptr;
    ThemeManager* themeManager = nullptr;
    SettingsStore* settings = nullptr;
    PresetManager* presetManager = nullptr;
    LocalAIService* localAI = nullptr;
    AIService* copilot = nullptr;
    BuildCacheService* buildCache = nullptr;
    LocalAPILatencyService* latency = nullptr;
    LocalAPIProxyService* proxy = nullptr;
};
