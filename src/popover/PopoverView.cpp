#include "popover/PopoverView.h"

#include "popover/ai/AITabView.h"
#include "theme/ThemeManager.h"
#include "widgets/VisualEffectView.h"
#include "core/NotificationCenter.h"
#include "core/Scheduler.h"
#include "core/SettingsStore.h"
#include "popover/CPUTabView.h"
#include "popover/DiskTabView.h"
#include "popover/MemoryTabView.h"
#include "popover/NetworkTabView.h"
#include "telemetry/PingService.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "widgets/AccentPillButton.h"
#include "widgets/AppLogo.h"
#include "widgets/Animations.h"
#include "popover/BottomAppTray.h"
#include "theme/ColorScheme.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/RepeatingLoop.h"
#include "widgets/SymbolButton.h"
#include "widgets/SymbolView.h"
#include "widgets/TabSelection.h"

#include <QEasingCurve>
#include <QHBoxLayout>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QTimeLine>
#include <QVBoxLayout>

#include <limits>

namespace {

constexpr int kLogoSide = 24;
constexpr qreal kLogoRadius = 6;
constexpr int kTrayFadeMs = 200;
constexpr int kTourFadeMs = 500;
constexpr int kSmoothFrameMs = 16;
constexpr qreal kHeaderSymbolPoints = 13;

const QString kOpenDashboard = QStringLiteral("OpenDashboard");
const QString kStartTour = QStringLiteral("StartTour");
const QString kTourUpdatePopoverTab = QStringLiteral("TourUpdatePopoverTab");

// An integer "tabIndex", and nothing else: a number given as text, a
// fraction or a flag is not a page.
std::optional<int> integerTab(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort: {
        bool ok = false;
        const qlonglong wide = value.toLongLong(&ok);
        if (!ok || wide < std::numeric_limits<int>::min() || wide > std::numeric_limits<int>::max())
            return -1; // some page that does not exist
        return int(wide);
    }
    default:
        return std::nullopt;
    }
}

// The logo image, scaled to fit and rounded.
class LogoView final : public QWidget {
public:
    explicit LogoView(QImage image) : m_image(std::move(image))
    {
        setFixedSize(kLogoSide, kLogoSide);
        setObjectName(QStringLiteral("logo"));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        AppLogo::paint(painter, QRectF(rect()), m_image, kLogoRadius);
    }

private:
    QImage m_image;
};

// A symbol on a small raised plate, the desktop's ordinary push button
// rather than a bare symbol.
class BorderedSymbolButton final : public SymbolButton {
public:
    using SymbolButton::SymbolButton;

    QSize sizeHint() const override { return {28, 22}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        {
            QPainter painter(this);
            painter.setRenderHint(QPainter::Antialiasing);
            const qreal fill = isDown() ? 0.2 : underMouse() ? 0.15 : 0.1;
            const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
            painter.setPen(QPen(UiColor(SystemColor::white).opacity(0.08).resolve(this), 1));
            painter.setBrush(UiColor(SystemColor::white).opacity(fill).resolve(this));
            painter.drawRoundedRect(box, 5, 5);
        }
        SymbolButton::paintEvent(event);
    }
};

// The old page over the new one, fading away: the page change's transition.
class FadeOverlay final : public QWidget {
public:
    FadeOverlay(const QPixmap& before, QWidget* parent) : QWidget(parent), m_before(before)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    void setOpacity(qreal opacity)
    {
        m_opacity = opacity;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setOpacity(m_opacity);
        painter.drawPixmap(0, 0, m_before);
    }

private:
    QPixmap m_before;
    qreal m_opacity = 1.0;
};

} // namespace

PopoverView::PopoverView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, PingService* pingService,
                         ThemeManager* themeManager, QWidget* parent)
    : PopoverView(stats, processMonitor, pingService, themeManager, parent, Services())
{
}

PopoverView::PopoverView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, PingService* pingService,
                         ThemeManager* themeManager, QWidget* parent, Services services)
    : QWidget(parent), m_stats(stats), m_processMonitor(processMonitor), m_pingService(pingService),
      m_themeManager(themeManager ? themeManager : &ThemeManager::shared()),
      m_settings(services.settings ? services.settings : &SettingsStore::shared()),
      m_notifications(services.notifications ? services.notifications : &NotificationCenter::shared()),
      m_scheduler(services.scheduler ? services.scheduler : &Scheduler::system()), m_services(services),
      m_selectedTab(new TabSelection(0, this)), m_nextFadeMs(kTrayFadeMs)
{
    setFixedSize(kWidth, kHeight);
    setFont(Fonts::style(TextStyle::body));
    const AppTheme theme = m_themeManager->currentTheme();
    // Dark in every theme, the Light one included.
    applyColorScheme(this, ColorScheme::dark, VisualEffectView::tint(theme.backgroundMaterial(), false));
    setAutoFillBackground(false);

    m_backdrop = new VisualEffectView(theme.backgroundMaterial(), VisualEffectView::BlendingMode::behindWindow, this);
    m_backdrop->setObjectName(QStringLiteral("backdrop"));
    m_backdrop->lower();

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addWidget(buildHeader(services.logoPaths));
    stack->addWidget(buildPageArea(), 1);
    BottomAppTray::Services trayServices;
    trayServices.settings = m_settings;
    trayServices.notifications = m_notifications;
    trayServices.opener = services.opener;
    m_tray = new BottomAppTray(m_selectedTab, m_processMonitor, nullptr, trayServices);
    stack->addWidget(m_tray);

    connect(m_selectedTab, &TabSelection::valueChanged, this, [this](int tab) {
        const int fadeMs = m_nextFadeMs;
        m_nextFadeMs = kTrayFadeMs;
        showPage(tab, fadeMs);
    });
    connect(m_themeManager, &ThemeManager::currentThemeChanged, this, &PopoverView::applyTheme);
    connect(m_settings, &SettingsStore::changed, this, [this](const QString& key) {
        if (key == QLatin1String(SettingsStore::kShowFullProcessPath))
            refreshFullPathButton();
    });
    m_notifications->observe(kTourUpdatePopoverTab, this,
                             [this](const QVariantMap& userInfo) { receiveTourTab(userInfo); });

    applyTheme();
    refreshFullPathButton();
    showPage(m_selectedTab->value(), 0);
}

PopoverView::~PopoverView() = default;

QWidget* PopoverView::buildHeader(const std::optional<QStringList>& logoPaths)
{
    auto* header = new QWidget;
    header->setObjectName(QStringLiteral("header"));
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(16, 16, 16, 8);
    row->setSpacing(8);

    const QImage logo = AppLogo::find(logoPaths ? *logoPaths : AppLogo::defaultPaths());
    m_showsLogoImage = !logo.isNull();
    if (m_showsLogoImage) {
        row->addWidget(new LogoView(logo), 0, Qt::AlignVCenter);
    } else {
        auto* shield = new SymbolView(QStringLiteral("shield.fill"), SystemColor::blue, Fonts::size(TextStyle::title2));
        shield->setObjectName(QStringLiteral("logo"));
        row->addWidget(shield, 0, Qt::AlignVCenter);
    }

    auto* name = new PlainLabel(QStringLiteral("Kestrova"));
    name->setObjectName(QStringLiteral("productName"));
    name->setFont(Fonts::system(Fonts::size(TextStyle::headline), QFont::Bold));
    row->addWidget(name, 0, Qt::AlignVCenter);
    row->addStretch(1);

    m_tourButton = new AccentPillButton(QStringLiteral("safari.fill"), QStringLiteral("Tour"), SystemColor::blue);
    m_tourButton->setObjectName(QStringLiteral("tourButton"));
    m_tourButton->setFont(Fonts::system(10, QFont::Bold));
    m_tourButton->setPadding(8, 3);
    m_tourButton->setCornerRadius(8);
    connect(m_tourButton, &QAbstractButton::clicked, this, &PopoverView::startTour);
    row->addWidget(m_tourButton, 0, Qt::AlignVCenter);

    m_fullPathButton = new BorderedSymbolButton(QString(), SystemColor::secondary, kHeaderSymbolPoints);
    m_fullPathButton->setObjectName(QStringLiteral("fullPathButton"));
    connect(m_fullPathButton, &QAbstractButton::clicked, this,
            [this] { m_settings->setShowFullProcessPath(!m_settings->showFullProcessPath()); });
    row->addWidget(m_fullPathButton, 0, Qt::AlignVCenter);

    m_dashboardButton = new SymbolButton(QStringLiteral("gearshape.fill"), SystemColor::secondary,
                                         kHeaderSymbolPoints);
    m_dashboardButton->setObjectName(QStringLiteral("dashboardButton"));
    m_dashboardButton->setToolTip(QStringLiteral("Settings"));
    connect(m_dashboardButton, &QAbstractButton::clicked, this,
            [this] { m_notifications->post(kOpenDashboard, {{QStringLiteral("tab"), QStringLiteral("Settings")}}); });
    row->addWidget(m_dashboardButton, 0, Qt::AlignVCenter);

    m_themeButton = new SymbolButton(QStringLiteral("paintbrush.fill"), SystemColor::blue, kHeaderSymbolPoints);
    m_themeButton->setObjectName(QStringLiteral("themeButton"));
    m_themeButton->setAccessibleName(QStringLiteral("Theme"));
    connect(m_themeButton, &QAbstractButton::clicked, this, [this] { m_themeManager->cycleTheme(); });
    row->addWidget(m_themeButton, 0, Qt::AlignVCenter);
    return header;
}

QWidget* PopoverView::buildPageArea()
{
    auto* area = new QWidget;
    auto* column = new QVBoxLayout(area);
    column->setContentsMargins(0, 0, 0, 10);
    column->setSpacing(0);
    m_scroll = new QScrollArea;
    m_scroll->setObjectName(QStringLiteral("pageArea"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(true);
    m_scroll->setAutoFillBackground(false);
    m_scroll->viewport()->setAutoFillBackground(false);
    column->addWidget(m_scroll);
    return area;
}

QWidget* PopoverView::makePage(int tab, SystemStatsProvider* stats, ProcessMonitor* processMonitor,
                               SettingsStore* settings, ThemeManager* themeManager, const Services* services)
{
    const Services none;
    const Services& given = services ? *services : none;
    switch (tab) {
    case 0: return new CPUTabView(stats, processMonitor, nullptr, {settings, themeManager, nullptr});
    case 1: return new NetworkTabView(stats, processMonitor, nullptr, {settings, nullptr});
    case 2: return new DiskTabView(stats, processMonitor, nullptr, {settings, nullptr});
    case 3: return new MemoryTabView(stats, processMonitor, nullptr, {settings, nullptr});
    case 4:
        return new AITabView(stats, processMonitor, nullptr,
                             {settings, themeManager, given.localAI, given.buildCache, given.latency});
    default: return nullptr;
    }
}

int PopoverView::selectedTab() const { return m_selectedTab->value(); }

void PopoverView::setSelectedTab(int tab) { m_selectedTab->setValue(tab); }

QWidget* PopoverView::currentPage() const
{
    QWidget* page = m_scroll->widget();
    return page && page->objectName() != QLatin1String("noPage") ? page : nullptr;
}

bool PopoverView::showFullProcessPath() const { return m_settings->showFullProcessPath(); }

QAbstractButton* PopoverView::tourButton() const { return m_tourButton; }
QAbstractButton* PopoverView::fullPathButton() const { return m_fullPathButton; }
QAbstractButton* PopoverView::dashboardButton() const { return m_dashboardButton; }
QAbstractButton* PopoverView::themeButton() const { return m_themeButton; }
QString PopoverView::fullPathSymbol() const { return m_fullPathButton->symbol(); }

void PopoverView::showPage(int tab, int fadeMs)
{
    // Every page is built anew for the tab it shows.
    const int duration = Animations::duration(fadeMs);
    QPixmap before;
    if (duration > 0 && isVisible() && m_scroll->widget())
        before = m_scroll->viewport()->grab();
    if (QWidget* old = m_scroll->takeWidget()) {
        old->hide();
        old->deleteLater();
    }
    QWidget* page = makePage(tab, m_stats, m_processMonitor, m_settings, m_themeManager, &m_services);
    if (!page) {
        page = new QWidget;
        page->setObjectName(QStringLiteral("noPage"));
    }
    m_scroll->setWidget(page);
    page->setAutoFillBackground(false); // the backdrop shows through
    if (!before.isNull())
        fadeOut(before, duration, fadeMs == kTourFadeMs);
}

void PopoverView::fadeOut(const QPixmap& before, int durationMs, bool onBeat)
{
    auto* overlay = new FadeOverlay(before, m_scroll);
    overlay->setGeometry(m_scroll->viewport()->geometry());
    overlay->show();
    overlay->raise();
    auto* fade = new QTimeLine(durationMs, overlay);
    fade->setEasingCurve(QEasingCurve::InOutQuad);
    // Each frame repaints the whole page under the picture. The tour's slow
    // switches, every few seconds, take the slow animations' beat, in the
    // same passes as the dashboard's loops beside the popover.
    fade->setUpdateInterval(onBeat ? RepeatingLoop::kFrameMs : kSmoothFrameMs);
    connect(fade, &QTimeLine::valueChanged, overlay, [overlay](qreal value) { overlay->setOpacity(1.0 - value); });
    connect(fade, &QTimeLine::finished, overlay, &QObject::deleteLater);
    fade->start();
}

void PopoverView::applyTheme()
{
    const AppTheme theme = m_themeManager->currentTheme();
    const UiColor accent = theme.accentColor();
    m_tourButton->setColor(accent);
    m_themeButton->setTint(accent);
    QPalette p = palette();
    p.setColor(QPalette::Highlight, accent.resolve(ColorScheme::dark));
    p.setColor(QPalette::Link, accent.resolve(ColorScheme::dark));
    setPalette(p);
    // Taken only until the backdrop is first drawn; it keeps that material.
    m_backdrop->setMaterial(theme.backgroundMaterial());
}

void PopoverView::refreshFullPathButton()
{
    m_fullPathButton->setSymbol(m_settings->showFullProcessPath()
                                    ? QStringLiteral("list.bullet.rectangle.portrait.fill")
                                    : QStringLiteral("list.bullet.rectangle.portrait"));
}

void PopoverView::startTour()
{
    m_notifications->post(kOpenDashboard, {{QStringLiteral("tab"), QStringLiteral("Settings")}});
    postStartTourLater(m_scheduler, m_notifications);
}

QCoro::Task<> PopoverView::postStartTourLater(Scheduler* scheduler, QPointer<NotificationCenter> notifications)
{
    // The dashboard that the post above opened starts the tour a moment
    // after it appears.
    co_await scheduler->sleepFor(kStartTourDelay);
    if (notifications)
        notifications->post(kStartTour);
}

void PopoverView::receiveTourTab(const QVariantMap& userInfo)
{
    if (!isVisible())
        return;
    const auto tab = integerTab(userInfo.value(QStringLiteral("tabIndex")));
    if (!tab)
        return;
    m_nextFadeMs = kTourFadeMs;
    m_selectedTab->setValue(*tab);
    m_nextFadeMs = kTrayFadeMs;
}

void PopoverView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_backdrop->setGeometry(rect());
}
