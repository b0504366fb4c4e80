#include "dashboard/tour/OnboardingTourView.h"

#include "core/NotificationCenter.h"
#include "core/Scheduler.h"
#include "core/SettingsStore.h"
#include "dashboard/DashboardPageState.h"
#include "theme/ThemeManager.h"

#include <algorithm>

namespace {

const QString kOpenPopover = QStringLiteral("OpenPopover");
const QString kClosePopover = QStringLiteral("ClosePopover");
const QString kTourUpdatePopoverTab = QStringLiteral("TourUpdatePopoverTab");

constexpr int kPresetCount = 3;
constexpr int kPopoverLastTab = 4;

} // namespace

const QStringList& OnboardingTourView::tourTabs()
{
    static const QStringList tabs = {QStringLiteral("AI Hardware"), QStringLiteral("Performance Presets"),
                                     QStringLiteral("AI Models"),   QStringLiteral("Sensors"),
                                     QStringLiteral("Memory"),      QStringLiteral("Settings")};
    return tabs;
}

int OnboardingTourView::clampStep(int stored) { return std::clamp(stored, 0, kLastStep); }

OnboardingTourView::OnboardingTourView(Deps deps, QObject* parent)
    : ObservableObject(parent), m_deps(deps), m_step(clampStep(deps.settings->onboardingTourStep()))
{
    Q_ASSERT(m_deps.settings && m_deps.notifications && m_deps.scheduler && m_deps.selection && m_deps.themeManager);
    connect(m_deps.settings, &SettingsStore::changed, this, &OnboardingTourView::onSettingChanged);
    connect(m_deps.selection, &DashboardPageState::selectedSidebarItemChanged, this,
            &OnboardingTourView::selectedSidebarItemChanged);
    connect(m_deps.themeManager, &ThemeManager::currentThemeChanged, this, &OnboardingTourView::themeChanged);
}

OnboardingTourView::~OnboardingTourView() { disappear(); }

bool OnboardingTourView::showTour() const { return m_deps.settings->showOnboardingTour(); }

int OnboardingTourView::currentStep() const { return m_step; }

AppTheme OnboardingTourView::theme() const { return m_deps.themeManager->currentTheme(); }

QString OnboardingTourView::selectedSidebarItem() const { return m_deps.selection->selectedSidebarItem(); }

void OnboardingTourView::setLogoScale(double value) { assign(m_logoScale, value, &OnboardingTourView::logoScaleChanged); }

WorkspacePersona OnboardingTourView::workspacePersona() const
{
    return WorkspacePersona::fromRaw(m_deps.settings->workspacePersona()).value_or(WorkspacePersona::aiEngineer);
}

void OnboardingTourView::setWorkspacePersona(WorkspacePersona persona)
{
    m_deps.settings->setWorkspacePersona(persona.rawValue());
}

void OnboardingTourView::onSettingChanged(const QString& key)
{
    if (key == QLatin1String(SettingsStore::kOnboardingTourStep)) {
        const int step = clampStep(m_deps.settings->onboardingTourStep());
        if (step == m_step)
            return;
        const int old = m_step;
        m_step = step;
        emit currentStepChanged(old, step);
        emit changed();
        if (m_appeared)
            handleStepChange(old, step);
    } else if (key == QLatin1String(SettingsStore::kShowOnboardingTour)) {
        emit showTourChanged();
        // Closing the overlay ends everything at once, before it fades.
        if (!showTour())
            disappear();
    } else if (key == QLatin1String(SettingsStore::kWorkspacePersona)) {
        emit workspacePersonaChanged();
    }
}

void OnboardingTourView::appear()
{
    if (m_appeared)
        return;
    m_appeared = true;
    m_step = clampStep(m_deps.settings->onboardingTourStep());
    switch (m_step) {
    case 2: startPresetCycling(); break;
    case 3: startCacheCycling(); break;
    case 4: startTabCycling(); break;
    case 5:
        m_deps.notifications->post(kOpenPopover);
        startPopoverTabCycling();
        break;
    default: break;
    }
}

void OnboardingTourView::disappear()
{
    if (!m_appeared)
        return;
    m_appeared = false;
    stopPresetCycling();
    stopCacheCycling();
    stopTabCycling();
    stopPopoverTabCycling();
    m_deps.notifications->post(kClosePopover);
}

void OnboardingTourView::handleStepChange(int oldStep, int newStep)
{
    switch (newStep) {
    case 2:
        setIsCycleComplete(true);
        startPresetCycling();
        stopCacheCycling();
        stopTabCycling();
        break;
    case 3:
        setIsCycleComplete(true);
        stopPresetCycling();
        startCacheCycling();
        stopTabCycling();
        break;
    case 4:
        stopPresetCycling();
        stopCacheCycling();
        startTabCycling();
        break;
    case 5:
        stopPresetCycling();
        stopCacheCycling();
        stopTabCycling();
        m_deps.notifications->post(kOpenPopover);
        startPopoverTabCycling();
        return;
    default: // 0 and 1; the step is never above 5 here
        setIsCycleComplete(true);
        stopPresetCycling();
        stopCacheCycling();
        stopTabCycling();
        break;
    }
    if (oldStep == kLastStep) {
        m_deps.notifications->post(kClosePopover);
        stopPopoverTabCycling();
    }
}

void OnboardingTourView::back()
{
    if (m_step >= 1)
        m_deps.settings->setOnboardingTourStep(m_step - 1);
}

void OnboardingTourView::skip() { finish(); }

void OnboardingTourView::primary()
{
    if (!m_isCycleComplete)
        return;
    if (m_step > kMenusStep)
        finish();
    else
        m_deps.settings->setOnboardingTourStep(m_step + 1);
}

void OnboardingTourView::finish()
{
    stopPresetCycling();
    stopCacheCycling();
    stopTabCycling();
    stopPopoverTabCycling();
    m_deps.notifications->post(kClosePopover);
    m_deps.settings->setHasCompletedOnboardingTour(true);
    m_deps.settings->setShowOnboardingTour(false);
}

void OnboardingTourView::setIsCycleComplete(bool value)
{
    assign(m_isCycleComplete, value, &OnboardingTourView::isCycleCompleteChanged);
}

void OnboardingTourView::postTourTab()
{
    m_deps.notifications->post(kTourUpdatePopoverTab, {{QStringLiteral("tabIndex"), m_popoverHighlightIndex}});
}

// -- cyclers ---------------------------------------------------------------

void OnboardingTourView::startPresetCycling()
{
    cancel(Cycler::preset);
    assign(m_activePresetIndex, 0, &OnboardingTourView::activePresetIndexChanged);
    schedule(Cycler::preset);
}

void OnboardingTourView::stopPresetCycling() { cancel(Cycler::preset); }

void OnboardingTourView::startCacheCycling()
{
    cancel(Cycler::cache);
    m_activeCacheIndex = 0;
    m_totalSpaceReclaimed = 0;
    m_cacheCleanStates = {false, false, false, false, false};
    emit cacheStateChanged();
    emit changed();
    schedule(Cycler::cache);
}

void OnboardingTourView::stopCacheCycling() { cancel(Cycler::cache); }

void OnboardingTourView::startTabCycling()
{
    cancel(Cycler::tab);
    assign(m_tourHighlightIndex, 0, &OnboardingTourView::tourHighlightIndexChanged);
    setIsCycleComplete(false);
    // The walk comes back to the same six pages every 15 s.
    m_deps.selection->setKeepsBuiltPages(true);
    m_deps.selection->setSelectedSidebarItem(tourTabs().first());
    schedule(Cycler::tab);
}

void OnboardingTourView::stopTabCycling()
{
    cancel(Cycler::tab);
    m_deps.selection->setKeepsBuiltPages(false);
}

void OnboardingTourView::startPopoverTabCycling()
{
    cancel(Cycler::popover);
    assign(m_popoverHighlightIndex, 0, &OnboardingTourView::popoverHighlightIndexChanged);
    setIsCycleComplete(false);
    m_deps.notifications->post(kOpenPopover);
    postTourTab();
    schedule(Cycler::popover);
}

void OnboardingTourView::stopPopoverTabCycling() { cancel(Cycler::popover); }

void OnboardingTourView::schedule(Cycler cycler)
{
    CyclerSlot& slot = m_cyclers[index(cycler)];
    slot.live = true;
    static constexpr std::array<std::chrono::milliseconds, 4> intervals{kPresetInterval, kCacheInterval, kTabInterval,
                                                                        kPopoverInterval};
    runCycler(this, m_deps.scheduler, cycler, slot.generation, intervals[index(cycler)]);
}

void OnboardingTourView::cancel(Cycler cycler)
{
    // A wait already under way ends in nothing: its generation is stale.
    CyclerSlot& slot = m_cyclers[index(cycler)];
    ++slot.generation;
    slot.live = false;
}

QCoro::Task<> OnboardingTourView::runCycler(QPointer<OnboardingTourView> self, Scheduler* scheduler, Cycler cycler,
                                            quint64 generation, std::chrono::milliseconds interval)
{
    for (;;) {
        QCoro::Task<> wait = scheduler->sleepFor(interval);
        co_await wait;
        if (!self || self->m_cyclers[index(cycler)].generation != generation)
            co_return;
        self->tick(cycler);
    }
}

void OnboardingTourView::tick(Cycler cycler)
{
    switch (cycler) {
    case Cycler::preset: presetTick(); break;
    case Cycler::cache: cacheTick(); break;
    case Cycler::tab: tabTick(); break;
    case Cycler::popover: popoverTick(); break;
    }
}

void OnboardingTourView::presetTick()
{
    assign(m_activePresetIndex, (m_activePresetIndex + 1) % kPresetCount, &OnboardingTourView::activePresetIndexChanged);
}

void OnboardingTourView::cacheTick()
{
    m_cacheCleanStates[m_activeCacheIndex] = true;
    m_totalSpaceReclaimed += kCacheAmounts[size_t(m_activeCacheIndex)];
    m_activeCacheIndex = (m_activeCacheIndex + 1) % int(kCacheAmounts.size());
    // The last badge's clean and the fresh start land in the same tick.
    if (m_activeCacheIndex == 0) {
        m_cacheCleanStates = {false, false, false, false, false};
        m_totalSpaceReclaimed = 0;
    }
    emit cacheStateChanged();
    emit changed();
}

void OnboardingTourView::tabTick()
{
    if (!showTour() || m_step != kMenusStep)
        return;
    const int count = int(tourTabs().size());
    assign(m_tourHighlightIndex, (m_tourHighlightIndex + 1) % count, &OnboardingTourView::tourHighlightIndexChanged);
    m_deps.selection->setSelectedSidebarItem(tourTabs().at(m_tourHighlightIndex));
    if (m_tourHighlightIndex == count - 1)
        setIsCycleComplete(true);
}

void OnboardingTourView::popoverTick()
{
    if (!showTour() || m_step != kLastStep)
        return;
    assign(m_popoverHighlightIndex, (m_popoverHighlightIndex + 1) % kPopoverTabs,
           &OnboardingTourView::popoverHighlightIndexChanged);
    if (m_popoverHighlightIndex == kPopoverLastTab && !m_isCycleComplete) {
        setIsCycleComplete(true);
        m_deps.notifications->post(kClosePopover);
    }
    postTourTab();
}
