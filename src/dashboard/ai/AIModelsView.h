#pragma once

#include <QCoroTask>
#include <QPointer>
#include <QWidget>

#include <chrono>

class QAbstractButton;
class BuildCacheService;
class CardFrame;
class KeyedRowList;
class LocalAIService;
class PlainLabel;
class ProcessMonitor;
class ProcessRow;
class RefreshCoalescer;
class Scheduler;
class SettingsStore;
class Spinner;
class SuspendedProcessBanner;
class SymbolView;
class SystemStatsProvider;
class ThemeManager;

// The dashboard's "AI Models" page: the models the model server holds,
// with eject; a banner while an AI/ML process is frozen; the AI/ML
// processes with freeze/resume (a faded placeholder when there are none);
// and the model-cache card, whose Deduplicate button clears the two
// modelled cache figures (it deletes no file) and stays busy for 1.5 s.
class AIModelsView : public QWidget {
    Q_OBJECT

public:
    static constexpr auto kEjectHelp = "Eject model context and clear GPU memory instantly";
    static constexpr auto kPlaceholderName = "No running AI/ML backends detected";
    static constexpr std::chrono::milliseconds kPurgeHold{1500};

    struct Services {
        ThemeManager* themeManager = nullptr;
        LocalAIService* localAI = nullptr;
        BuildCacheService* buildCache = nullptr;
        SettingsStore* settings = nullptr; // the process rows' "advancedMode"
        Scheduler* scheduler = nullptr;    // null: the system's
    };

    AIModelsView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, Services services,
                 QWidget* parent = nullptr);

    bool isPurgingCache() const { return m_isPurgingCache; }

    PlainLabel* loadedCounter() const { return m_loadedCounter; }
    // Why the server's latest answer was refused (hidden when it was not).
    PlainLabel* refusalNote() const { return m_refusal; }
    CardFrame* emptyModelsBox() const { return m_emptyModels; }
    KeyedRowList* modelList() const { return m_models; }
    SuspendedProcessBanner* suspendedBanner() const { return m_banner; }
    KeyedRowList* processList() const { return m_processes; }
    ProcessRow* placeholderRow() const { return m_placeholder; }
    PlainLabel* cachedTotalLabel() const { return m_cachedTotal; }
    QAbstractButton* deduplicateButton() const { return m_deduplicate; }
    Spinner* deduplicateSpinner() const { return m_spinner; }
    // The two cache rows' size texts, Hugging Face first.
    QStringList cacheSizeTexts() const;

    void refreshNow();

private:
    QWidget* buildModelsCard();
    QWidget* buildProcessesCard();
    QWidget* buildCacheCard();
    void refresh();
    void refreshModels();
    void refreshProcesses();
    void deduplicate();
    static QCoro::Task<> endPurgeLater(QPointer<AIModelsView> page, Scheduler* scheduler);

    QPointer<ProcessMonitor> m_processMonitor;
    QPointer<LocalAIService> m_localAI;
    QPointer<BuildCacheService> m_buildCache;
    ThemeManager* m_themeManager;
    SettingsStore* m_settings;
    Scheduler* m_scheduler;
    RefreshCoalescer* m_coalescer;
    bool m_isPurgingCache = false;

    SymbolView* m_headerSymbol = nullptr;
    PlainLabel* m_loadedCounter = nullptr;
    PlainLabel* m_refusal = nullptr;
    CardFrame* m_emptyModels = nullptr;
    KeyedRowList* m_models = nullptr;
    QWidget* m_bannerBox = nullptr;
    SuspendedProcessBanner* m_banner = nullptr;
    KeyedRowList* m_processes = nullptr;
    ProcessRow* m_placeholder = nullptr;
    PlainLabel* m_cachedTotal = nullptr;
    QAbstractButton* m_deduplicate = nullptr;
    SymbolView* m_trashSymbol = nullptr;
    Spinner* m_spinner = nullptr;
    PlainLabel* m_hfSize = nullptr;
    PlainLabel* m_ollamaSize = nullptr;
};
