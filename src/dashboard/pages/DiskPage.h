#pragma once

#include "telemetry/WorkspacePersona.h"

#include <QCoroTask>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>

class AccentPillButton;
class ActionTipsView;
class Badge;
class BuildCacheService;
class CacheRow;
class CardFrame;
class DashboardPageState;
class PlainLabel;
class QBoxLayout;
class Random;
class RefreshCoalescer;
class Scheduler;
class SymbolView;
class SettingsStore;
class SystemStatsProvider;
class ThemeManager;

// The dashboard's "Disk" page (also "Developer Caches", "Creator Caches",
// "Game Caches"): the junk cleaner, the persona's slot (the two model-cache
// sweepers, or the developer, creative or gamer cache section), the drive
// card, the SMART line and the tips. The junk and Hugging Face runs keep
// their flags in the window's page state and hold only that state and the
// services, so they go on while another page is shown; purge-all chains
// hold only the cache service.
class DiskPage : public QWidget {
    Q_OBJECT

public:
    struct Deps {
        SystemStatsProvider* stats = nullptr;
        BuildCacheService* buildCache = nullptr;
        SettingsStore* settings = nullptr;
        ThemeManager* themeManager = nullptr;
        DashboardPageState* state = nullptr;
        Scheduler* scheduler = nullptr; // the runs' waits; null: real time
        Random* random = nullptr;       // the junk amount; null: the shared generator
        // Empties the model-download cache and says whether it is gone;
        // null: the sampler's purge.
        std::function<QCoro::Task<bool>()> purgeHuggingFace;
    };

    static constexpr int junkScanMs = 1500;
    static constexpr int hfScanMs = 1200;
    static constexpr int bannerMs = 5000;

    explicit DiskPage(Deps deps, QWidget* parent = nullptr);

    // The runs, from the click to the banner's end.
    static QCoro::Task<> scanJunk(QPointer<DashboardPageState> state, Scheduler* scheduler, Random* random);
    static QCoro::Task<> cleanJunk(QPointer<DashboardPageState> state, QPointer<SystemStatsProvider> stats,
                                   Scheduler* scheduler);
    static QCoro::Task<> scanHuggingFace(QPointer<DashboardPageState> state, QPointer<SystemStatsProvider> stats,
                                         Scheduler* scheduler);
    static QCoro::Task<> purgeHuggingFace(QPointer<DashboardPageState> state,
                                          std::function<QCoro::Task<bool>()> purge, Scheduler* scheduler);

    // The drive card's texts: "49% Used", "245.3 GB / 494.4 GB",
    // "98.1 TB Written"; a total of 0 reads 0 % used.
    static QString usedPercentText(double diskUsed, double diskTotal);
    static QString usedOfTotalText(double diskUsed, double diskTotal);
    static QString writtenText(double diskUsed);
    // The usage fill's width in a track: never negative, never past it.
    static double usageFillWidth(double trackWidth, double diskUsed, double diskTotal);

    // The cards of the page in order, the persona slot's visible ones only.
    QList<QWidget*> shownCards() const;
    QWidget* junkCard() const { return m_junkCard; }
    QWidget* huggingFaceCard() const { return m_hfCard; }
    QWidget* ollamaCard() const { return m_ollamaCard; }
    QWidget* developerCard() const { return m_developerCard; }
    QWidget* creativeCard() const { return m_creativeCard; }
    QWidget* gamerCard() const { return m_gamerCard; }
    QWidget* driveCard() const { return m_driveCard; }
    // The controls of the junk, Hugging Face and Ollama rows: the visible
    // button's text, or the pill's, or "Cleared", or empty for none.
    QString junkControlText() const;
    QString huggingFaceControlText() const;
    QString ollamaControlText() const;
    AccentPillButton* junkButton() const { return m_junkButton; }
    AccentPillButton* huggingFaceButton() const { return m_hfButton; }
    AccentPillButton* ollamaButton() const { return m_ollamaButton; }
    QWidget* junkBanner() const { return m_junkBanner; }
    QWidget* huggingFaceBanner() const;
    // The line that says the last purge left files behind.
    QWidget* huggingFaceFailure() const;
    QList<CacheRow*> cacheRows(QWidget* sectionCard) const;
    AccentPillButton* purgeAllDeveloperButton() const { return m_purgeAllDeveloper; }
    AccentPillButton* purgeAllRenderButton() const { return m_purgeAllRender; }
    PlainLabel* usedLabel() const { return m_used; }
    PlainLabel* usedOfTotalLabel() const { return m_usedOfTotal; }
    PlainLabel* writtenLabel() const { return m_written; }
    QWidget* usageBar() const { return m_usageBar; }

    void refreshNow();

private:
    CardFrame* card(int spacing);
    QWidget* buildJunkCard();
    QWidget* buildHuggingFaceCard();
    QWidget* buildOllamaCard();
    QWidget* buildDeveloperSection();
    QWidget* buildCreativeSection();
    QWidget* buildGamerSection();
    QWidget* buildDriveCard();
    CacheRow* addCacheRow(QBoxLayout* rows, const QString& title, std::function<void()> purge);
    void refresh();
    void refreshSections();

    Deps m_deps;
    QPointer<BuildCacheService> m_buildCache;
    RefreshCoalescer* m_coalescer;
    QList<QWidget*> m_cards;

    QWidget* m_junkCard = nullptr;
    AccentPillButton* m_junkButton = nullptr;
    CardFrame* m_junkPill = nullptr;
    PlainLabel* m_junkPillText = nullptr;
    QWidget* m_junkBanner = nullptr;

    QWidget* m_hfCard = nullptr;
    Badge* m_hfBadge = nullptr;
    AccentPillButton* m_hfButton = nullptr;
    CardFrame* m_hfPill = nullptr;
    PlainLabel* m_hfPillText = nullptr;
    CardFrame* m_hfBanner = nullptr;
    SymbolView* m_hfBannerSymbol = nullptr;
    PlainLabel* m_hfBannerText = nullptr;
    CardFrame* m_hfFailure = nullptr;

    QWidget* m_ollamaCard = nullptr;
    AccentPillButton* m_ollamaButton = nullptr;
    QWidget* m_ollamaCleared = nullptr;

    QWidget* m_developerCard = nullptr;
    QWidget* m_creativeCard = nullptr;
    QWidget* m_gamerCard = nullptr;
    AccentPillButton* m_purgeAllDeveloper = nullptr;
    AccentPillButton* m_purgeAllRender = nullptr;
    QList<CacheRow*> m_developerRows;
    QList<CacheRow*> m_creativeRows;
    QList<CacheRow*> m_gamerRows;

    QWidget* m_driveCard = nullptr;
    QWidget* m_usageBar = nullptr;
    PlainLabel* m_used = nullptr;
    PlainLabel* m_usedOfTotal = nullptr;
    PlainLabel* m_written = nullptr;
    ActionTipsView* m_tips = nullptr;
};
