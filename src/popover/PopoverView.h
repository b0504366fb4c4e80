#pragma once

#include <QCoroTask>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <chrono>
#include <optional>

class BottomAppTray;
class BuildCacheService;
class LocalAIService;
class LocalAPILatencyService;
class NotificationCenter;
class PingService;
class ProcessMonitor;
class ProcessOpener;
class QAbstractButton;
class QScrollArea;
class Scheduler;
class SettingsStore;
class SymbolButton;
class AccentPillButton;
class SystemStatsProvider;
class TabSelection;
class ThemeManager;
class VisualEffectView;

// The popover's content, 320 x 620: a header (logo, name, the Tour, full
// path, dashboard and theme buttons), the page of the selected tab (0 CPU,
// 1 network, 2 disk, 3 memory, 4 AI; anything else shows no page) and the
// tray that selects it. Always drawn dark, whatever the theme; accents
// follow the theme.
//
// The onboarding tour switches pages with "TourUpdatePopoverTab" (an integer
// "tabIndex"); that is obeyed only while this view is on screen, so the
// hosting window only has to show and hide itself.
class PopoverView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 620;
    static constexpr std::chrono::milliseconds kStartTourDelay{300};

    // Stand-ins for tests; null members mean the application's own.
    struct Services {
        SettingsStore* settings = nullptr;
        NotificationCenter* notifications = nullptr;
        Scheduler* scheduler = nullptr;
        ProcessOpener* opener = nullptr;
        // What the AI page reads; without them it shows its frame only.
        LocalAIService* localAI = nullptr;
        BuildCacheService* buildCache = nullptr;
        LocalAPILatencyService* latency = nullptr;
        // Where the logo image is looked for, in order; by default the
        // installed data folders, then the image built into the program.
        std::optional<QStringList> logoPaths;
    };

    PopoverView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, PingService* pingService,
                ThemeManager* themeManager, QWidget* parent = nullptr);
    PopoverView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, PingService* pingService,
                ThemeManager* themeManager, QWidget* parent, Services services);
    ~PopoverView() override;

    int selectedTab() const;
    void setSelectedTab(int tab);
    TabSelection* tabSelection() const { return m_selectedTab; }
    // The page shown; null while the selected tab has none.
    QWidget* currentPage() const;
    bool showFullProcessPath() const;

    QAbstractButton* tourButton() const;
    QAbstractButton* fullPathButton() const;
    QAbstractButton* dashboardButton() const;
    QAbstractButton* themeButton() const;
    QString fullPathSymbol() const;
    BottomAppTray* tray() const { return m_tray; }
    VisualEffectView* backdrop() const { return m_backdrop; }
    // Whether the header shows the logo image (else the shield symbol).
    bool showsLogoImage() const { return m_showsLogoImage; }

    QSize sizeHint() const override { return {kWidth, kHeight}; }

    // The page widget for a tab index, or null for an index without one.
    // Null settings or theme: the application's own; the local-AI services
    // go to the AI page.
    static QWidget* makePage(int tab, SystemStatsProvider* stats, ProcessMonitor* processMonitor,
                             SettingsStore* settings = nullptr, ThemeManager* themeManager = nullptr,
                             const Services* services = nullptr);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* buildHeader(const std::optional<QStringList>& logoPaths);
    QWidget* buildPageArea();
    void showPage(int tab, int fadeMs);
    void fadeOut(const QPixmap& before, int durationMs, bool onBeat);
    void applyTheme();
    void refreshFullPathButton();
    void startTour();
    void receiveTourTab(const QVariantMap& userInfo);
    static QCoro::Task<> postStartTourLater(Scheduler* scheduler, QPointer<NotificationCenter> notifications);

    QPointer<SystemStatsProvider> m_stats;
    QPointer<ProcessMonitor> m_processMonitor;
    QPointer<PingService> m_pingService; // held for the pages to come; nothing here reads it
    QPointer<ThemeManager> m_themeManager;
    SettingsStore* m_settings;
    NotificationCenter* m_notifications;
    Scheduler* m_scheduler;
    Services m_services;

    TabSelection* m_selectedTab;
    int m_nextFadeMs;
    VisualEffectView* m_backdrop = nullptr;
    AccentPillButton* m_tourButton = nullptr;
    SymbolButton* m_fullPathButton = nullptr;
    SymbolButton* m_dashboardButton = nullptr;
    SymbolButton* m_themeButton = nullptr;
    QScrollArea* m_scroll = nullptr;
    BottomAppTray* m_tray = nullptr;
    bool m_showsLogoImage = false;
};
