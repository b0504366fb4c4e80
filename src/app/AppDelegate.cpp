#include "app/AppDelegate.h"

#include "services/AutoUpdater.h"
#include "services/LaunchAtLoginManager.h"
#include "app/PopoverPresenter.h"
#include "popover/PopoverView.h"
#include "app/ShellPlatform.h"
#include "app/StatusLabelHost.h"
#include "theme/ThemeManager.h"
#include "app/TrayItem.h"
#include "core/Clock.h"
#include "core/NotificationCenter.h"
#include "core/SettingsStore.h"
#include "core/Print.h"
#include "dashboard/SettingsView.h"
#include "localai/BuildCacheService.h"
#include "localai/LocalAIService.h"
#include "localai/LocalAPILatencyService.h"
#include "localai/LocalAPIProxyService.h"
#include "telemetry/AIService.h"
#include "telemetry/PingService.h"
#include "telemetry/PresetManager.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

#include <utility>

namespace {

// Keeps a window's background colour that of the view it holds, through
// every theme change of the view.
class BackgroundFollower final : public QObject {
public:
    BackgroundFollower(QWidget* window, QWidget* view) : QObject(window), m_window(window), m_view(view)
    {
        view->installEventFilter(this);
        follow();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_view.data() && event->type() == QEvent::PaletteChange)
            follow();
        return false;
    }

private:
    void follow()
    {
        if (!m_view)
            return;
        const QBrush wanted = m_view->palette().window();
        if (m_window->palette().window() == wanted)
            return;
        QPalette palette = m_window->palette();
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            palette.setBrush(group, QPalette::Window, m_view->palette().brush(group, QPalette::Window));
        m_window->setPalette(palette);
    }

    QWidget* m_window;
    QPointer<QWidget> m_view;
};

} // namespace

AppDelegate::Deps AppDelegate::Deps::live(ShellPlatform& platform)
{
    Deps deps;
    deps.platform = &platform;
    deps.notifications = &NotificationCenter::shared();
    deps.clock = &Clock::system();
    deps.stats = [] { return &SystemStatsProvider::shared(); };
    deps.processMonitor = [] { return &ProcessMonitor::shared(); };
    deps.pingService = [](QObject* owner) { return new PingService(PingService::defaultHost, owner); };
    deps.themeManager = [] { return &ThemeManager::shared(); };
    deps.popoverRoot = [](SystemStatsProvider* stats, ProcessMonitor* monitor, PingService* ping, ThemeManager* theme) {
        PopoverView::Services services;
        services.localAI = &LocalAIService::shared();
        services.buildCache = &BuildCacheService::shared();
        services.latency = &LocalAPILatencyService::shared();
        return new PopoverView(stats, monitor, ping, theme, nullptr, services);
    };
    deps.dashboardRoot = [](ThemeManager* theme, ProcessMonitor* monitor, const QString& tab) {
        return new SettingsView(SettingsView::Deps{.themeManager = theme,
                                                   .processMonitor = monitor,
                                                   .statsProvider = &SystemStatsProvider::shared(),
                                                   .settings = &SettingsStore::shared(),
                                                   .notifications = &NotificationCenter::shared(),
                                                   .launchManager = &LaunchAtLoginManager::shared(),
                                                   .updater = &AutoUpdater::shared(),
                                                   .buildCache = &BuildCacheService::shared(),
                                                   .presetManager = &PresetManager::shared(),
                                                   .localAI = &LocalAIService::shared(),
                                                   .copilot = &AIService::shared(),
                                                   .latency = &LocalAPILatencyService::shared(),
                                                   .proxy = &LocalAPIProxyService::shared()},
                                tab);
    };
    deps.quit = [] { QCoreApplication::quit(); };
    return deps;
}

AppDelegate::AppDelegate(Deps deps, QObject* parent) : QObject(parent), m_deps(std::move(deps))
{
    Q_ASSERT(m_deps.platform && m_deps.notifications && m_deps.clock);
}

AppDelegate::~AppDelegate()
{
    if (m_statusMenu)
        delete m_statusMenu.data();
    if (m_dashboardWindow)
        delete m_dashboardWindow.data();
}

void AppDelegate::applicationDidFinishLaunching()
{
    NotificationCenter& center = *m_deps.notifications;
    // 1. The dashboard request.
    center.observe(QStringLiteral("OpenDashboard"), this, [this](const QVariantMap& info) { showSettings(info); });
    // 2-5. The services: the sampler, the one process monitor, the one ping
    // service (each starts its own timer), the theme.
    m_stats = m_deps.stats ? m_deps.stats() : nullptr;
    m_processMonitor = m_deps.processMonitor ? m_deps.processMonitor() : nullptr;
    m_pingService = m_deps.pingService ? m_deps.pingService(this) : nullptr;
    m_themeManager = m_deps.themeManager ? m_deps.themeManager() : nullptr;

    // 6. The status item. Without a tray it has no button: no label and no
    // clicks, and the popover cannot be shown until a tray appears; the rest
    // still runs, and a later launch brings the dashboard back.
    m_statusItem = m_deps.platform->createTrayItem();
    if (m_statusItem->hasButton()) {
        attachStatusItem();
    } else {
        kestrova::print(QString::fromLatin1(kNoTrayLine));
        connect(m_statusItem.get(), &TrayItem::buttonAppeared, this, &AppDelegate::attachStatusItem,
                Qt::SingleShotConnection);
    }

    // 7. The popover with its root view, closed.
    QWidget* root = m_deps.popoverRoot ? m_deps.popoverRoot(m_stats, m_processMonitor, m_pingService, m_themeManager)
                                       : new QWidget;
    m_popover = m_deps.platform->createPopover(root);

    // 8. The tour's requests.
    center.observe(QStringLiteral("OpenPopover"), this, [this](const QVariantMap&) { handleOpenPopover(); });
    center.observe(QStringLiteral("ClosePopover"), this, [this](const QVariantMap&) { handleClosePopover(); });

    // 9. The dashboard opens at every launch.
    showSettings();
}

void AppDelegate::attachStatusItem()
{
    if (m_stats)
        m_statusLabel = new StatusLabelHost(*m_stats, *m_statusItem, this);
    connect(m_statusItem.get(), &TrayItem::clicked, this, &AppDelegate::handleStatusItemAction);
    connect(m_statusItem.get(), &TrayItem::placed, this, [this] {
        if (std::exchange(m_openWhenPlaced, false) && !m_popover->isShown())
            openPopover();
    });
}

void AppDelegate::handleStatusItemAction(Qt::MouseButton button)
{
    if (button == Qt::RightButton) {
        showStatusMenu();
        return;
    }
    if (!m_statusItem || !m_statusItem->hasButton())
        return;
    if (m_popover->isShown()) {
        closePopover();
        return;
    }
    if (m_closedByOutsideClickAt && m_deps.clock->monotonicMs() - *m_closedByOutsideClickAt < kRefocusGraceMs)
        return;
    openPopover();
}

void AppDelegate::showStatusMenu()
{
    // Built anew for every right click, and gone once it closes, so the item
    // holds no menu between right clicks.
    if (m_statusMenu)
        m_statusMenu->deleteLater();
    auto* menu = new QMenu;
    connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    QAction* settings = menu->addAction(QStringLiteral("Settings..."));
    settings->setShortcut(QKeySequence(QStringLiteral("Ctrl+,")));
    connect(settings, &QAction::triggered, this, [this] { showSettings(); });
    menu->addSeparator();
    QAction* quit = menu->addAction(QStringLiteral("Quit Kestrova"));
    quit->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    connect(quit, &QAction::triggered, this, [this] {
        if (m_deps.quit)
            m_deps.quit();
    });
    m_statusMenu = menu;
    m_statusItem->popUpMenu(menu);
}

void AppDelegate::openPopover()
{
    m_openWhenPlaced = false;
    m_popover->show(m_statusItem->geometry());
    m_closedByOutsideClickAt.reset();
    QPointer<AppDelegate> self(this);
    m_eventMonitor = m_deps.platform->watchOutsideClicks([self] {
        if (!self || !self->m_popover->isShown())
            return;
        self->closePopover();
        self->m_closedByOutsideClickAt = self->m_deps.clock->monotonicMs();
    });
}

void AppDelegate::handleOpenPopover()
{
    if (!m_statusItem || !m_statusItem->hasButton() || m_popover->isShown())
        return;
    // The tour asks at launch, before the tray has put the item in its
    // place: the popover waits for it rather than open detached.
    if (!m_statusItem->isPlaced()) {
        m_openWhenPlaced = true;
        return;
    }
    openPopover();
}

void AppDelegate::handleClosePopover()
{
    m_openWhenPlaced = false;
    if (m_popover && m_popover->isShown())
        closePopover();
}

void AppDelegate::closePopover()
{
    m_popover->close();
    m_eventMonitor.reset();
}

QString AppDelegate::dashboardPage(const std::optional<QVariantMap>& userInfo)
{
    const QString fallback = QString::fromLatin1(kDefaultPage);
    if (!userInfo)
        return fallback;
    const QVariant tab = userInfo->value(QStringLiteral("tab"));
    if (tab.typeId() != QMetaType::QString)
        return fallback;
    const QString title = tab.toString();
    return title == u"AI Monitor" ? fallback : title;
}

void AppDelegate::showSettings(const std::optional<QVariantMap>& userInfo)
{
    m_openWhenPlaced = false;
    if (m_popover && m_popover->isShown())
        closePopover();
    const QString page = dashboardPage(userInfo);

    // An open dashboard is never reused: each request gets a new window.
    if (m_dashboardWindow) {
        m_dashboardWindow->close();
        m_dashboardWindow->deleteLater();
        m_dashboardWindow = nullptr;
    }
    QWidget* root = m_deps.dashboardRoot ? m_deps.dashboardRoot(m_themeManager, m_processMonitor, page) : new QWidget;
    auto* window = new QWidget(nullptr, Qt::Window);
    // A closed dashboard is never shown again, so it goes with all its work.
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QString::fromLatin1(kDashboardTitle));
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(root);
    // The root's frame is fixed, and so is the window around it: stretched,
    // it would show a margin that no theme paints. Should a window manager
    // size it anyway, the margin takes the root's own background.
    window->setFixedSize(kDashboardSize);
    new BackgroundFollower(window, root);

    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame(QPoint(0, 0), kDashboardSize);
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    m_dashboardWindow = window;
    m_dashboardRoot = root;
    window->show();
    window->raise();
    window->activateWindow();
}

QMenu* AppDelegate::statusMenu() const { return m_statusMenu.data(); }
