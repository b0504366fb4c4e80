#pragma once

#include <QWidget>

class Badge;
class CardFrame;
class CircularProgressView;
class NeuralEngineCard;
class PlainLabel;
class RefreshCoalescer;
class SymbolView;
class SystemStatsProvider;
class ThemeManager;
class UnifiedMemoryBlock;

// The dashboard's "AI Hardware" page: the Neural Engine card, unified memory
// split into system, AI and free, and the GPU's core count and load. It only
// reads the sampler and redraws when its figures or the theme change.
class AIHardwareView : public QWidget {
    Q_OBJECT

public:
    // `themeManager` null: ThemeManager::shared().
    explicit AIHardwareView(SystemStatsProvider* stats, ThemeManager* themeManager = nullptr, QWidget* parent = nullptr);

    NeuralEngineCard* neuralEngineCard() const { return m_ane; }
    UnifiedMemoryBlock* memoryBlock() const { return m_memory; }
    CircularProgressView* gpuGauge() const { return m_gauge; }
    QString coresText() const;
    QString badgeText() const;

    // Redraws from the sampler now instead of at the end of the event-loop
    // turn.
    void refreshNow();

private:
    void refresh();
    void applyTheme();
    CardFrame* gpuLoadSection();

    SystemStatsProvider* m_stats;
    ThemeManager* m_themeManager;
    RefreshCoalescer* m_coalescer;
    SymbolView* m_headerIcon;
    Badge* m_badge;
    NeuralEngineCard* m_ane;
    UnifiedMemoryBlock* m_memory;
    PlainLabel* m_cores = nullptr;
    CircularProgressView* m_gauge = nullptr;
};
