#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class Clock;
class NotificationCenter;
class PingService;
class PopoverPresenter;
class ProcessMonitor;
class QMenu;
class QWidget;
class ShellPlatform;
class StatusLabelHost;
class SystemStatsProvider;
class ThemeManager;
class TrayItem;

// The application delegate: starts the services, puts the status item with
// its live label in the tray, owns the popover and the dashboard window, and
// answers "OpenDashboard", "OpenPopover" and "ClosePopover".
class AppDelegate final : public QObject {
    Q_OBJECT

public:
    using PopoverRootFactory = std::function<QWidget*(SystemStatsProvider*, ProcessMonitor*, PingService*, ThemeManager*)>;
    using DashboardRootFactory = std::function<QWidget*(ThemeManager*, ProcessMonitor*, const QString& initialTab)>;

    struct Deps {
        ShellPlatform* platform = nullptr;
        NotificationCenter* notifications = nullptr;
        const Clock* clock = nullptr;
        std::function<SystemStatsProvider*()> stats;          // taken at start-up
        std::function<ProcessMonitor*()> processMonitor;      // created at start-up
        std::function<PingService*(QObject* owner)> pingService; // created at start-up, owned by `owner`
        std::function<ThemeManager*()> themeManager;
        PopoverRootFactory popoverRoot;
        DashboardRootFactory dashboardRoot;
        std::function<void()> quit;                           // "Quit Kestrova"

        // The process-wide services, the real desktop and the real views.
        static Deps live(ShellPlatform& platform);
    };

    static constexpr QSize kDashboardSize{960, 700};
    static constexpr QSize kPopoverSize{320, 620};
    static constexpr auto kDashboardTitle = "Kestrova Dashboard";
    static constexpr auto kDefaultPage = "AI Hardware";
    // A click on the status item this soon after a click elsewhere closed the
    // popover is the same gesture (the tray took the focus): it must not
    // open the popover again.
    static constexpr qint64 kRefocusGraceMs = 300;
    // Printed at start when the desktop has no tray.
    static constexpr auto kNoTrayLine =
        "No system tray found: Kestrova runs without its tray items. Launch Kestrova again to bring the "
        "dashboard back.";

    explicit AppDelegate(Deps deps, QObject* parent = nullptr);
    ~AppDelegate() override;

    // Start-up, in order: the notification observers, the services, the
    // status item, the popover, then the dashboard window on its default page.
    void applicationDidFinishLaunching();

    // A click on the status item: the right button shows the menu, the left
    // one opens or closes the popover.
    void handleStatusItemAction(Qt::MouseButton button);
    // Closes the popover if shown, then replaces the dashboard window with a
    // new one on the page that `userInfo`'s "tab" names.
    void showSettings(const std::optional<QVariantMap>& userInfo = std::nullopt);
    void handleOpenPopover();
    void handleClosePopover();
    void closePopover();

    // The page "OpenDashboard" opens: "tab" when it is a string ("AI Monitor"
    // becomes "AI Hardware"), else "AI Hardware".
    static QString dashboardPage(const std::optional<QVariantMap>& userInfo);

    TrayItem* statusItem() const { return m_statusItem.get(); }
    StatusLabelHost* statusLabel() const { return m_statusLabel; }
    PopoverPresenter* popover() const { return m_popover.get(); }
    bool hasEventMonitor() const { return m_eventMonitor != nullptr; }
    bool isPopoverWaitingForPlace() const { return m_openWhenPlaced; }
    QWidget* dashboardWindow() const { return m_dashboardWindow.data(); }
    QWidget* dashboardRoot() const { return m_dashboardRoot.data(); }
    SystemStatsProvider* stats() const { return m_stats; }
    ProcessMonitor* processMonitor() const { return m_processMonitor; }
    PingService* pingService() const { return m_pingService; }
    ThemeManager* themeManager() const { return m_themeManager; }
    // The menu of the latest right click while it is open.
    QMenu* statusMenu() const;

private:
    // The live label and the clicks, once the status item has a button.
    void attachStatusItem();
    void openPopover();
    void showStatusMenu();

    Deps m_deps;
    std::unique_ptr<TrayItem> m_statusItem;
    StatusLabelHost* m_statusLabel = nullptr;
    std::unique_ptr<PopoverPresenter> m_popover;
    std::unique_ptr<QObject> m_eventMonitor;
    QPointer<QWidget> m_dashboardWindow;
    QPointer<QWidget> m_dashboardRoot;
    QPointer<QMenu> m_statusMenu;
    SystemStatsProvider* m_stats = nullptr;
    ProcessMonitor* m_processMonitor = nullptr;
    PingService* m_pingService = nullptr;
    ThemeManager* m_themeManager = nullptr;
    std::optional<qint64> m_closedByOutsideClickAt;
    // "OpenPopover" came before the status item had its place.
    bool m_openWhenPlaced = false;
};
