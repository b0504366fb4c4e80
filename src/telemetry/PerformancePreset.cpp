#include "telemetry/PerformancePreset.h"

namespace {

struct PresetText {
    const char* raw;
    const char* icon;
    const char* description;
};

constexpr PresetText kTexts[] = {
    {"Inference Max", "bolt.fill",
     "Signals OS to reclaim inactive caches, maximizing unified memory for model loading"},
    {"Local Training", "cpu.fill", "Prevents system sleep during builds using native IOPMAssertion API"},
    {"Compile Max", "terminal.fill",
     "Prioritizes compiler workloads while suspending background AI and database engines"},
    {"Creative Max", "slider.horizontal.3",
     "Flushes inactive memory/VRAM caches and prioritizes creative design & render processes"},
    {"Game Mode", "gamecontroller.fill",
     "Temporarily suspends all build, database, and model tools to free CPU cores and spools fans"},
    {"Eco Dev", "leaf.fill", "Detects background developer/AI daemons and opens Terminal advisory to pause them"},
    {"Vanilla Mac", "desktopcomputer", "Releases all active overrides and restores macOS default system behaviour"},
};

} // namespace

const char* PerformancePreset::rawText(Case value) { return kTexts[value].raw; }
QString PerformancePreset::icon() const { return QString::fromUtf8(kTexts[m_case].icon); }
QString PerformancePreset::description() const { return QString::fromUtf8(kTexts[m_case].description); }
