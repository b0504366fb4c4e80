#include "SampleSampler.h"

#include "platform/DesktopNotifier.h"
#include "telemetry/LocalAIStateSource.h"
#include "telemetry/SystemStatsProvider.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

// No model server, no notifications.
class SampleSampler::Quiet final : public LocalAIStateSource, public DesktopNotifier {
public:
    QList<qint64> loadedModelSizes() const override { return {}; }
    bool buildTurboEnabled() const override { return false; }
    bool demoMode() const override { return false; }
    void post(const QString&, const QString&, const QString&) override {}
};

SampleSampler::SampleSampler()
    : m_settings(m_dir.filePath(QStringLiteral("sampler.ini"))), m_quiet(std::make_unique<Quiet>())
{
    QDir(m_dir.path()).mkpath(QStringLiteral("proc"));
    QDir(m_dir.path()).mkpath(QStringLiteral("sys"));
    writeStat(0);
    writeHardware();

    SystemStatsProvider::Deps deps;
    deps.paths.procRoot = m_dir.filePath(QStringLiteral("proc"));
    deps.paths.sysRoot = m_dir.filePath(QStringLiteral("sys"));
    deps.paths.home = m_dir.path();
    deps.paths.temp = m_dir.path();
    deps.paths.etcRoot = m_dir.filePath(QStringLiteral("etc"));
    deps.settings = &m_settings;
    deps.random = &m_random;
    deps.localAI = m_quiet.get();
    deps.notifier = m_quiet.get();
    deps.physicalMemory = [] { return quint64(32) << 30; };
    deps.publicAddressUrl = QUrl(QStringLiteral("http://127.0.0.1:9/"));
    m_provider = std::make_unique<SystemStatsProvider>(std::move(deps), false);
    m_provider->setPublicIP(QStringLiteral("203.0.113.24"));

    // The first tick only takes the counters.
    for (int second = 1; second <= SystemStatsProvider::kHistoryLength + 1; ++second) {
        writeStat(second);
        m_provider->tick();
    }
    m_provider->setSocTemperature(47.9);
    m_provider->setGpuTemperature(44.2);
    m_provider->setFanRPMs({1560.7});
    m_provider->setThrottlingStatus(0);
}

SampleSampler::~SampleSampler() = default;

void SampleSampler::writeHardware()
{
    // A laptop's description for the system-info page.
    const struct {
        const char* path;
        const char* text;
    } files[] = {
        {"sys/class/dmi/id/product_name", "MacBookPro16,1\n"},
        {"proc/cpuinfo", "processor\t: 0\nmodel name\t: Intel(R) Core(TM) i9-9980HK CPU @ 2.40GHz\n"},
        {"proc/sys/kernel/osrelease", "6.1.0-28-amd64\n"},
        {"etc/os-release", "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"},
    };
    for (const auto& f : files) {
        const QString path = m_dir.filePath(QString::fromLatin1(f.path));
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(f.text);
    }
}

void SampleSampler::writeStat(int second)
{
    // A compile that ramps up and settles, carried mostly by the first four
    // (efficiency) CPUs, with a little ripple.
    const double t = second;
    const double wave = 0.30 + 0.18 * std::sin(t / 7.0) + 0.07 * std::sin(t / 2.3) + (second > 40 ? 0.15 : 0.0);
    QByteArray text = "cpu  0 0 0 0 0 0 0 0 0 0\n";
    for (int cpu = 0; cpu < 8; ++cpu) {
        const double share = std::clamp(wave * (cpu < 4 ? 1.2 : 0.55) + 0.03 * std::sin(t + cpu), 0.02, 0.98);
        m_busy[cpu] += quint64(std::lround(share * 100));
        m_idle[cpu] += quint64(std::lround((1 - share) * 100));
        text += "cpu" + QByteArray::number(cpu) + ' ' + QByteArray::number(m_busy[cpu]) + " 0 0 "
                + QByteArray::number(m_idle[cpu]) + " 0 0 0 0 0 0\n";
    }
    // Rewritten in place: the sampler keeps the file open.
    QFile file(m_dir.filePath(QStringLiteral("proc/stat")));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text);
}
