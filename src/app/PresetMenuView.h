#pragma once

#include "app/PresetBinding.h"

#include <QMenu>

class RefreshCoalescer;

// The presets menu: one entry per preset (its name and this menu's own
// subtitle, a check mark at the active one), then the engine's two status
// lines, disabled. Rebuilt whenever the engine announces a change; choosing
// an entry applies that preset, also the active one again.
class PresetMenuView final : public QMenu {
    Q_OBJECT

public:
    static constexpr auto kTitle = "Performance Presets";

    explicit PresetMenuView(PresetBinding presetManager, QWidget* parent = nullptr);

    // "Inference Max (Optimize VRAM & Max Fans)", as shown (not escaped).
    static QString entryTitle(PerformancePreset preset);
    static QString subtitle(PerformancePreset preset);
    // A text as a menu shows it literally: "&" would otherwise mark a shortcut.
    static QString literal(QString text);

    // Rebuilds the entries now.
    void rebuild();

private:
    PresetBinding m_presetManager;
    RefreshCoalescer* m_coalescer;
};
