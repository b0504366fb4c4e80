#include "widgets/Animations.h"

#include <atomic>

namespace {
std::atomic<bool> g_enabled{true};
}

bool Animations::enabled() { return g_enabled.load(std::memory_order_relaxed); }

void Animations::setEnabled(bool on) { g_enabled.store(on, std::memory_order_relaxed); }

int Animations::duration(int ms) { return enabled() ? ms : 0; }
