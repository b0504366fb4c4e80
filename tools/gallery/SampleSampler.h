#pragma once

#include "core/Random.h"
#include "core/SettingsStore.h"

#include <QTemporaryDir>

#include <memory>

class SystemStatsProvider;

// A sampler for screenshots: it reads a made-up /proc/stat that it rewrites
// before each of its ticks, so the load history and the cluster figures look
// like a busy minute, and it touches neither the machine's sensors nor the
// network. The other figures are set to plausible values after the ticks.
class SampleSampler {
public:
    SampleSampler();
    ~SampleSampler();

    SystemStatsProvider* get() const { return m_provider.get(); }

private:
    class Quiet;

    void writeStat(int second);
    void writeHardware();

    QTemporaryDir m_dir;
    SettingsStore m_settings;
    Random m_random{7};
    std::unique_ptr<Quiet> m_quiet;
    std::unique_ptr<SystemStatsProvider> m_provider;
    quint64 m_busy[8] = {};
    quint64 m_idle[8] = {};
};
