#pragma once

#include "telemetry/PerformancePreset.h"

#include <QString>

#include <functional>

class ObservableObject;
class PresetManager;

// How the presets menu and the presets tray item reach the preset engine:
// what it holds now, the object that announces its changes (every
// assignment emits ObservableObject::changed) and how to apply a preset.
struct PresetBinding {
    ObservableObject* announcer = nullptr;
    std::function<PerformancePreset()> activePreset;
    std::function<QString()> currentStatus;
    std::function<QString()> batteryStatus;
    // Starts applying; returns at once.
    std::function<void(PerformancePreset)> applyPreset;

    // The preset engine itself; it must outlive the binding's users.
    static PresetBinding of(PresetManager& presetManager);
};
