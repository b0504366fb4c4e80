#include "dashboard/SettingsView.h"

#include "theme/ThemeManager.h"
#include "core/NotificationCenter.h"
#include "core/SettingsStore.h"
#include "dashboard/DashboardPageState.h"
#include "dashboard/DashboardRouter.h"
#include "dashboard/DashboardSidebar.h"
#include "dashboard/SidebarCatalog.h"
#include "widgets/Animations.h"
#include "theme/ColorScheme.h"
#include "widgets/ElidedLabel.h"
#include "widgets/Fonts.h"
#include "widgets/SlimScrollBar.h"

#include <QCoreApplication>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

constexpr int kOverlayFadeMs = 250;

SettingsView::OverlayFactory& overlayFactory()
{
    static SettingsView::OverlayFactory factory;
    return factory;
}

// Fades a widget in or out; `done` runs at the end.
void fade(QWidget* widget, bool in, std::function<void()> done = {})
{
    auto* effect = new QGraphicsOpacityEffect(widget);
    widget->setGraphicsEffect(effect);
    const int ms = Animations::duration(kOverlayFadeMs);
    if (ms == 0) {
        effect->setOpacity(in ? 1 : 0);
        widget->setGraphicsEffect(nullptr);
        if (done)
            done();
        return;
    }
    auto* animation = new QPropertyAnimation(effect, "opacity", widget);
    animation->setDuration(ms);
    animation->setStartValue(in ? 0.0 : 1.0);
    animation->setEndValue(in ? 1.0 : 0.0);
    QObject::connect(animation, &QPropertyAnimation::finished, widget, [widget, in, done = std::move(done)] {
        // Drawn through an effect a widget is composed off-screen; drop it
        // once it is fully shown.
        if (in)
            widget->setGraphicsEffect(nullptr);
        if (done)
            done();
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace

SettingsView::SettingsView(Deps deps, QString initialTab, QWidget* parent)
    : QWidget(parent), m_deps(std::move(deps)), m_state(new DashboardPageState(std::move(initialTab), this))
{
    Q_ASSERT(m_deps.themeManager && m_deps.statsProvider && m_deps.settings && m_deps.notifications);
    if (!m_deps.router)
        m_deps.router = &DashboardRouter::standard();

    setFixedSize(kWidth, kHeight);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    m_sidebar = new DashboardSidebar(m_state, m_deps.themeManager, m_deps.settings, [this] { quit(); });
    row->addWidget(m_sidebar);
    auto* pane = new QWidget;
    buildContentPane(pane);
    row->addWidget(pane, 1);

    connect(m_state, &DashboardPageState::selectedSidebarItemChanged, this, &SettingsView::showSelectedPage);
    connect(m_state, &DashboardPageState::keepsBuiltPagesChanged, this, &SettingsView::dropKeptPages);
    connect(m_deps.themeManager, &ThemeManager::currentThemeChanged, this, &SettingsView::applyTheme);
    connect(m_deps.settings, &SettingsStore::changed, this, &SettingsView::onSettingChanged);
    m_deps.notifications->observe(QStringLiteral("StartTour"), this, [this](const QVariantMap&) { startTour(); });

    applyTheme();
    showSelectedPage();
    updateOverlay();
}

SettingsView::~SettingsView()
{
    m_deps.notifications->removeObserver(this);
    // Closing the window below hides the tour, which puts the state back:
    // this view is no longer there to follow it.
    disconnect(m_state, nullptr, this, nullptr);
}

void SettingsView::buildContentPane(QWidget* pane)
{
    auto* column = new QVBoxLayout(pane);
    column->setContentsMargins(30, DashboardSidebar::kTopInset, 30, 30);
    column->setSpacing(20);

    m_title = new ElidedLabel;
    QFont titleFont = Fonts::style(TextStyle::largeTitle);
    titleFont.setWeight(QFont::Bold);
    m_title->setFont(titleFont);
    m_title->setContentsMargins(0, 0, 0, 10);
    column->addWidget(m_title);

    m_scroll = new QScrollArea;
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->viewport()->setAutoFillBackground(false);
    SlimScrollBar::apply(m_scroll->verticalScrollBar());
    auto* holder = new QWidget;
    holder->setAutoFillBackground(false);
    m_pageColumn = new QVBoxLayout(holder);
    m_pageColumn->setContentsMargins(0, 0, 0, 0);
    m_pageColumn->setSpacing(20);
    m_pageColumn->addStretch(1);
    m_scroll->setWidget(holder);
    column->addWidget(m_scroll, 1);
}

QString SettingsView::selectedSidebarItem() const { return m_state->selectedSidebarItem(); }

void SettingsView::setSelectedSidebarItem(const QString& title) { m_state->setSelectedSidebarItem(title); }

WorkspacePersona SettingsView::workspacePersona() const
{
    return WorkspacePersona::fromRaw(m_deps.settings->workspacePersona()).value_or(WorkspacePersona::aiEngineer);
}

QList<SidebarItem> SettingsView::aiSectionItems() const
{
    return SidebarCatalog::aiSectionItems(workspacePersona());
}

QList<SidebarItem> SettingsView::monitorSectionItems() const
{
    return SidebarCatalog::monitorSectionItems(workspacePersona());
}

QString SettingsView::titleText() const { return m_title->text(); }

void SettingsView::showSelectedPage()
{
    const QString title = m_state->selectedSidebarItem();
    m_title->setText(title);
    // Choosing the page already shown keeps it, with whatever it holds.
    if (m_page && title == m_pageTitle)
        return;
    if (m_page) {
        m_pageColumn->removeWidget(m_page);
        m_page->hide();
        // Deleted later, not here: the change may come from the page itself
        // (it holds the state), and its handler must be able to finish.
        if (m_state->keepsBuiltPages())
            m_keptPages.insert(m_pageTitle, m_page);
        else
            m_page->deleteLater();
    }
    m_pageTitle = title;
    m_page = m_keptPages.take(title);
    if (m_page) {
        m_pageColumn->insertWidget(0, m_page);
        m_page->show();
    } else {
        m_page = buildPage(title);
    }
    m_scroll->setVerticalScrollBarPolicy(DashboardRouter::showsScrollIndicator(DashboardRouter::route(title))
                                             ? Qt::ScrollBarAsNeeded
                                             : Qt::ScrollBarAlwaysOff);
    m_scroll->verticalScrollBar()->setValue(0);
}

QWidget* SettingsView::buildPage(const QString& title)
{
    const DashboardPageContext context{this,
                                       m_state,
                                       m_deps.statsProvider,
                                       m_deps.processMonitor,
                                       m_deps.themeManager,
                                       m_deps.settings,
                                       m_deps.presetManager,
                                       m_deps.localAI,
                                       m_deps.copilot,
                                       m_deps.buildCache,
                                       m_deps.latency,
                                       m_deps.proxy};
    QWidget* page = m_deps.router->build(title, context);
    m_pageColumn->insertWidget(0, page);
    return page;
}

void SettingsView::dropKeptPages()
{
    if (m_state->keepsBuiltPages())
        return;
    for (QWidget* page : std::as_const(m_keptPages))
        page->deleteLater();
    m_keptPages.clear();
}

void SettingsView::applyTheme()
{
    const AppTheme theme = m_deps.themeManager->currentTheme();
    const ColorScheme scheme = theme.colorScheme();
    // The window paints the content background; the sidebar its own.
    applyColorScheme(this, scheme, theme.contentBackground().resolve(scheme));
    m_sidebar->applyTheme();
    m_title->setTextColor(theme.textColor());
}

void SettingsView::onSettingChanged(const QString& key)
{
    if (key == QLatin1String(SettingsStore::kShowOnboardingTour))
        updateOverlay();
}

void SettingsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_appeared)
        return;
    m_appeared = true;
    // Until the tour has been finished once, every new window starts it.
    if (!m_deps.settings->hasCompletedOnboardingTour())
        startTour();
}

void SettingsView::startTour()
{
    m_deps.settings->setOnboardingTourStep(0);
    m_deps.settings->setShowOnboardingTour(true);
}

void SettingsView::updateOverlay()
{
    const bool shown = m_deps.settings->showOnboardingTour();
    if (shown && !m_overlay && overlayFactory()) {
        QWidget* overlay = overlayFactory()(*this);
        if (!overlay)
            return;
        m_overlay = overlay;
        overlay->setParent(this);
        overlay->setGeometry(rect());
        overlay->raise();
        overlay->show();
        fade(overlay, true);
    } else if (!shown && m_overlay) {
        QWidget* overlay = m_overlay;
        m_overlay = nullptr;
        overlay->setAttribute(Qt::WA_TransparentForMouseEvents);
        fade(overlay, false, [overlay] { overlay->deleteLater(); });
    }
}

void SettingsView::setOnboardingOverlayFactory(OverlayFactory factory) { overlayFactory() = std::move(factory); }

void SettingsView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_overlay)
        m_overlay->setGeometry(rect());
}

void SettingsView::quit()
{
    if (m_deps.quit)
        m_deps.quit();
    else
        QCoreApplication::quit();
}
