#include "app/PresetBinding.h"

#include "telemetry/PresetManager.h"

PresetBinding PresetBinding::of(PresetManager& presetManager)
{
    PresetManager* manager = &presetManager;
    return {manager,
            [manager] { return manager->activePreset(); },
            [manager] { return manager->currentStatus(); },
            [manager] { return manager->batteryStatus(); },
            [manager](PerformancePreset preset) {
                // Started here and left to run: it goes on after the menu has
                // closed, and the menu follows the engine's announcements.
                QCoro::Task<> running = manager->applyPreset(preset);
            }};
}
