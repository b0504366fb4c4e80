#pragma once

#include "dashboard/SidebarItem.h"
#include "telemetry/WorkspacePersona.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>

class DashboardPageState;
class DashboardRouter;
class DashboardSidebar;
class ElidedLabel;
class NotificationCenter;
class PresetManager;
class ProcessMonitor;
class QScrollArea;
class QVBoxLayout;
class SettingsStore;
class SystemStatsProvider;
class ThemeManager;

// The dashboard window's content: the persona's sidebar on the left and, on
// the right, the selected page under its title. It owns the window's page
// state (see DashboardPageState), starts the onboarding tour on first
// appearance until the tour has been completed and on "StartTour", and
// shows the tour's overlay above both panes while the setting
// "showOnboardingTour" is on.
class AIService;
class AutoUpdater;
class BuildCacheService;
class LocalAIService;
class LaunchAtLoginManager;
class LocalAPILatencyService;
class LocalAPIProxyService;

class SettingsView : public QWidget {
    Q_OBJECT

public:
    struct Deps {
        ThemeManager* themeManager = nullptr;          // required
        ProcessMonitor* processMonitor = nullptr;      // handed to the pages
        SystemStatsProvider* statsProvider = nullptr;  // required
        SettingsStore* settings = nullptr;             // required
        NotificationCenter* notifications = nullptr;   // required
        const DashboardRouter* router = nullptr;       // null: every page of the app
        std::function<void()> quit;                    // null: quit the application
        // Held for the pages. Whoever opens the window passes the running
        // ones, so the cache scans run from launch.
        LaunchAtLoginManager* launchManager = nullptr;
        AutoUpdater* updater = nullptr;
        BuildCacheService* buildCache = nullptr;
        PresetManager* presetManager = nullptr;
        LocalAIService* localAI = nullptr;
        AIService* copilot = nullptr;
        // Handed to the AI pages.
        LocalAPILatencyService* latency = nullptr;
        LocalAPIProxyService* proxy = nullptr;
    };

    // Builds the tour's overlay for a root; installed by the tour itself.
    using OverlayFactory = std::function<QWidget*(SettingsView& root)>;

    static constexpr int kWidth = 960;
    static constexpr int kHeight = 700;

    SettingsView(Deps deps, QString initialTab, QWidget* parent = nullptr);
    ~SettingsView() override;

    ThemeManager* themeManager() const { return m_deps.themeManager; }
    SystemStatsProvider* statsProvider() const { return m_deps.statsProvider; }
    ProcessMonitor* processMonitor() const { return m_deps.processMonitor; }
    SettingsStore* settings() const { return m_deps.settings; }
    NotificationCenter* notifications() const { return m_deps.notifications; }
    DashboardPageState* state() const { return m_state; }
    LaunchAtLoginManager* launchManager() const { return m_deps.launchManager; }
    AutoUpdater* updater() const { return m_deps.updater; }
    BuildCacheService* buildCache() const { return m_deps.buildCache; }

    QString selectedSidebarItem() const;
    void setSelectedSidebarItem(const QString& title);
    // The stored persona; anything unknown reads as AI Engineer.
    WorkspacePersona workspacePersona() const;

    // The sidebar's first two sections for the stored persona.
    QList<SidebarItem> aiSectionItems() const;
    QList<SidebarItem> monitorSectionItems() const;

    // The page shown for the selection, and the title above it.
    QWidget* contentView() const { return m_page; }
    QString titleText() const;
    DashboardSidebar* sidebar() const { return m_sidebar; }

    // The tour's overlay while it is shown (null without a tour installed).
    QWidget* onboardingOverlay() const { return m_overlay; }
    static void setOnboardingOverlayFactory(OverlayFactory factory);

    // What the Quit button does: ends the application at once.
    void quit();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildContentPane(QWidget* pane);
    void showSelectedPage();
    QWidget* buildPage(const QString& title);
    void dropKeptPages();
    void applyTheme();
    void onSettingChanged(const QString& key);
    void startTour();
    void updateOverlay();

    Deps m_deps;
    DashboardPageState* m_state;
    DashboardSidebar* m_sidebar = nullptr;
    ElidedLabel* m_title = nullptr;
    QScrollArea* m_scroll = nullptr;
    QVBoxLayout* m_pageColumn = nullptr;
    QWidget* m_page = nullptr;
    QString m_pageTitle;
    // Pages left while the state keeps them, hidden, by title.
    QHash<QString, QWidget*> m_keptPages;
    QPointer<QWidget> m_overlay;
    bool m_appeared = false;
};
