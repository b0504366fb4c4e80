#pragma once

#include <QCoroTask>
#include <QPointer>
#include <QWidget>

class CardFrame;
class KeyedRowList;
class LocalAIService;
class NeuralEngineCard;
class PlainLabel;
class ProcessMonitor;
class ProcessRow;
class RefreshCoalescer;
class SettingsStore;
class SuspendedProcessBanner;
class SymbolView;
class SystemStatsProvider;
class ThemeManager;
class ToggleSwitch;
class UnifiedMemoryBlock;

// The AI page's first sub-tab, top to bottom: the "Offline Developer
// Sandbox" switch (the local-AI demo mode), the Neural Engine card, unified
// memory split into system, AI and free, the loaded models with eject, and
// the AI/ML processes with freeze/resume (a faded sample row when there are
// none). It keeps nothing of its own and redraws when what it reads
// changes; while hidden it only notes that it is out of date.
class TelemetrySubTab : public QWidget {
    Q_OBJECT

public:
    static constexpr auto kEjectHelp = "Safely eject and clear AI model weights from memory instantly";
    static constexpr auto kSampleName = "python3 (miniconda-pytorch)";

    TelemetrySubTab(SystemStatsProvider* stats, ProcessMonitor* processMonitor, LocalAIService* localAI,
                    ThemeManager* themeManager, SettingsStore* settings, QWidget* parent = nullptr);

    ToggleSwitch* sandboxSwitch() const { return m_sandboxSwitch; }
    SymbolView* sandboxSymbol() const { return m_sandboxSymbol; }
    NeuralEngineCard* neuralEngineCard() const { return m_ane; }
    UnifiedMemoryBlock* memoryBlock() const { return m_memory; }
    // The "N Loaded" counter (hidden unless the server is Active).
    PlainLabel* loadedCounter() const { return m_loadedCounter; }
    // Why the server's latest answer was refused (hidden when it was not).
    PlainLabel* refusalNote() const { return m_refusal; }
    CardFrame* emptyModelsCard() const { return m_emptyModels; }
    KeyedRowList* modelList() const { return m_models; }
    SuspendedProcessBanner* suspendedBanner() const { return m_banner; }
    KeyedRowList* processList() const { return m_processes; }
    ProcessRow* sampleRow() const { return m_sampleRow; }

    // Redraws now instead of at the end of the event-loop turn.
    void refreshNow();

private:
    QWidget* buildSandboxRow();
    QWidget* buildModels();
    QWidget* buildProcesses();
    void refresh();
    void refreshModels();
    void refreshProcesses();
    static QCoro::Task<> eject(QPointer<LocalAIService> localAI, QString name);

    QPointer<SystemStatsProvider> m_stats;
    QPointer<ProcessMonitor> m_processMonitor;
    QPointer<LocalAIService> m_localAI;
    ThemeManager* m_themeManager;
    SettingsStore* m_settings;
    RefreshCoalescer* m_coalescer;

    CardFrame* m_sandboxRow = nullptr;
    SymbolView* m_sandboxSymbol = nullptr;
    ToggleSwitch* m_sandboxSwitch = nullptr;
    NeuralEngineCard* m_ane = nullptr;
    UnifiedMemoryBlock* m_memory = nullptr;
    PlainLabel* m_loadedCounter = nullptr;
    PlainLabel* m_refusal = nullptr;
    CardFrame* m_emptyModels = nullptr;
    KeyedRowList* m_models = nullptr;
    SuspendedProcessBanner* m_banner = nullptr;
    QWidget* m_bannerBox = nullptr;
    KeyedRowList* m_processes = nullptr;
    ProcessRow* m_sampleRow = nullptr;
};
