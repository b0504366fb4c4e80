#pragma once

#include "core/ObservableObject.h"
#include "telemetry/WorkspacePersona.h"
#include "theme/AppTheme.h"

#include <QCoroTask>
#include <QList>
#include <QPointer>
#include <QStringList>

#include <array>
#include <chrono>

class DashboardPageState;
class NotificationCenter;
class Scheduler;
class SettingsStore;
class ThemeManager;

// The guided tour's state machine, without any drawing: the step counter
// (the stored "onboardingTourStep", read clamped into 0..5), Back, Skip,
// Next and Get Started, finishing, and four repeating cyclers that animate
// the step pages. The tab cycler walks the dashboard's selection through
// tourTabs(); the popover cycler opens the popover and switches its tabs by
// notification. The overlay widget that draws this state calls appear() and
// disappear() as it comes and goes; while it is away no cycler runs.
class OnboardingTourView final : public ObservableObject {
    Q_OBJECT

public:
    struct Deps {
        SettingsStore* settings = nullptr;           // required
        NotificationCenter* notifications = nullptr; // required
        Scheduler* scheduler = nullptr;              // required: the cyclers' clock
        DashboardPageState* selection = nullptr;     // required: the dashboard's selected page
        ThemeManager* themeManager = nullptr;        // required
    };

    enum class Cycler { preset, cache, tab, popover };

    static constexpr int kLastStep = 5;
    static constexpr int kMenusStep = 4;
    static constexpr std::chrono::milliseconds kPresetInterval{1500};
    static constexpr std::chrono::milliseconds kCacheInterval{1200};
    static constexpr std::chrono::milliseconds kTabInterval{2500};
    static constexpr std::chrono::milliseconds kPopoverInterval{2500};
    static constexpr int kPopoverTabs = 5;
    // What the caches step pretends to free per badge, in GB.
    static constexpr std::array<double, 5> kCacheAmounts{1.2, 0.8, 4.5, 9.2, 2.1};
    // The pages the tab cycler visits, in order.
    static const QStringList& tourTabs();
    // A stored step as the tour shows it: anything outside 0..5 is pulled in.
    static int clampStep(int stored);

    explicit OnboardingTourView(Deps deps, QObject* parent = nullptr);
    ~OnboardingTourView() override;

    bool showTour() const;
    int currentStep() const;
    AppTheme theme() const;
    QString selectedSidebarItem() const;

    double logoScale() const { return m_logoScale; }
    void setLogoScale(double value);
    WorkspacePersona workspacePersona() const;
    void setWorkspacePersona(WorkspacePersona persona);

    int tourHighlightIndex() const { return m_tourHighlightIndex; }
    int popoverHighlightIndex() const { return m_popoverHighlightIndex; }
    bool isCycleComplete() const { return m_isCycleComplete; }
    int activePresetIndex() const { return m_activePresetIndex; }
    int activeCacheIndex() const { return m_activeCacheIndex; }
    double totalSpaceReclaimed() const { return m_totalSpaceReclaimed; }
    const QList<bool>& cacheCleanStates() const { return m_cacheCleanStates; }
    bool isCycling(Cycler cycler) const { return m_cyclers[index(cycler)].live; }
    bool hasAppeared() const { return m_appeared; }

    // The overlay's coming and going.
    void appear();
    void disappear();

    // The footer's buttons.
    void back();
    void skip();
    void primary();
    void finish();

    void startPresetCycling();
    void stopPresetCycling();
    void startCacheCycling();
    void stopCacheCycling();
    void startTabCycling();
    void stopTabCycling();
    void startPopoverTabCycling();
    void stopPopoverTabCycling();

signals:
    void currentStepChanged(int oldStep, int newStep);
    void showTourChanged();
    void themeChanged();
    void selectedSidebarItemChanged();
    void logoScaleChanged();
    void workspacePersonaChanged();
    void tourHighlightIndexChanged();
    void popoverHighlightIndexChanged();
    void isCycleCompleteChanged();
    void activePresetIndexChanged();
    void cacheStateChanged(); // activeCacheIndex, cacheCleanStates, totalSpaceReclaimed

private:
    struct CyclerSlot {
        quint64 generation = 0;
        bool live = false;
    };

    static constexpr int index(Cycler cycler) { return int(cycler); }
    void onSettingChanged(const QString& key);
    void handleStepChange(int oldStep, int newStep);
    void setIsCycleComplete(bool value);
    void postTourTab();
    void schedule(Cycler cycler);
    void cancel(Cycler cycler);
    void tick(Cycler cycler);
    void presetTick();
    void cacheTick();
    void tabTick();
    void popoverTick();
    static QCoro::Task<> runCycler(QPointer<OnboardingTourView> self, Scheduler* scheduler, Cycler cycler,
                                   quint64 generation, std::chrono::milliseconds interval);

    Deps m_deps;
    int m_step;
    bool m_appeared = false;
    double m_logoScale = 1.0;
    int m_tourHighlightIndex = 0;
    int m_popoverHighlightIndex = 0;
    bool m_isCycleComplete = true;
    int m_activePresetIndex = 0;
    int m_activeCacheIndex = 0;
    double m_totalSpaceReclaimed = 0;
    QList<bool> m_cacheCleanStates{false, false, false, false, false};
    std::array<CyclerSlot, 4> m_cyclers{};
};
