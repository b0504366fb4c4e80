#pragma once

#include <QPointer>
#include <QWidget>

class BuildCacheService;
class CardFrame;
class LocalAIService;
class LocalAPILatencyService;
class ModelServerStatusCapsule;
class PlainLabel;
class ProcessMonitor;
class QScrollArea;
class QVBoxLayout;
class SettingsStore;
class SubTabButton;
class SymbolView;
class SystemStatsProvider;
class TabSelection;
class ThemeManager;

// The popover's AI page (page 4): a fixed header with the model server's
// state, a bar of four sub-tab pills (Telemetry, Optimizer, Caches,
// Servers) and one scrolling area that shows the selected sub-tab. The
// selection starts at Telemetry each time the page is built; an index
// outside 0-3 shows Telemetry too. Only the shown sub-tab exists: switching
// builds the new one and drops the old.
class AITabView : public QWidget {
    Q_OBJECT

public:
    // The services the sub-tabs read; null settings or theme mean the
    // application's own. Without the local-AI service the page shows its
    // header and pills only.
    struct Services {
        SettingsStore* settings = nullptr;
        ThemeManager* themeManager = nullptr;
        LocalAIService* localAI = nullptr;
        BuildCacheService* buildCache = nullptr;
        LocalAPILatencyService* latency = nullptr;
    };

    enum SubTab { telemetry = 0, optimizer = 1, caches = 2, servers = 3 };

    AITabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent = nullptr);
    AITabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent, Services services);

    // The sub-tab a selected index shows.
    static SubTab subTabFor(int selectedIndex);

    int selectedSubTab() const;
    void setSelectedSubTab(int index);
    SubTab shownSubTab() const { return m_shown; }
    // The shown sub-tab's content widget (null without the services).
    QWidget* currentContent() const { return m_content; }
    QScrollArea* scrollArea() const { return m_scroll; }
    const QList<SubTabButton*>& subTabButtons() const { return m_pills; }
    ModelServerStatusCapsule* statusCapsule() const { return m_capsule; }
    PlainLabel* titleLabel() const { return m_title; }
    SymbolView* headerSymbol() const { return m_headerSymbol; }

private:
    QWidget* buildHeader();
    QWidget* buildSubTabBar();
    void showSubTab(int index);
    QWidget* makeContent(SubTab tab);
    void applyTheme();
    void refreshStatus();

    QPointer<SystemStatsProvider> m_stats;
    QPointer<ProcessMonitor> m_processMonitor;
    SettingsStore* m_settings;
    ThemeManager* m_themeManager;
    QPointer<LocalAIService> m_localAI;
    QPointer<BuildCacheService> m_buildCache;
    QPointer<LocalAPILatencyService> m_latency;

    TabSelection* m_selection;
    SubTab m_shown = telemetry;
    SymbolView* m_headerSymbol = nullptr;
    PlainLabel* m_title = nullptr;
    ModelServerStatusCapsule* m_capsule = nullptr;
    QList<SubTabButton*> m_pills;
    QScrollArea* m_scroll = nullptr;
    QVBoxLayout* m_contentColumn = nullptr;
    QWidget* m_content = nullptr;
};
