#include "telemetry/SystemStatsProvider.h"
#include "telemetry/SystemStatsProvider_readers.h"

#include "core/Format.h"
#include "core/Random.h"
#include "core/SettingsStore.h"
#include "platform/DesktopNotifier.h"
#include "platform/FreedesktopNotifier.h"
#include "core/Clock.h"
#include "core/Scheduler.h"
#include "platform/PhysicalMemory.h"
#include "platform/ProcessSignaller.h"
#include "platform/TreeSizeMeter.h"
#include "telemetry/PublicAddressFetcher.h"
#include "telemetry/LocalAIStateSource.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>

SystemStatsProvider::Deps SystemStatsProvider::Deps::live()
{
    static auto* notifier = new FreedesktopNotifier(QCoreApplication::instance());
    Deps deps;
    deps.paths = SystemPaths::live();
    deps.settings = &SettingsStore::shared();
    deps.random = &Random::shared();
    deps.notifier = notifier;
    deps.physicalMemory = physicalMemoryBytes;
    deps.scheduler = &Scheduler::system();
    deps.clock = &Clock::system();
    deps.signaller = &ProcessSignaller::system();
    deps.interfaceAddresses = InterfaceAddress::listIPv4;
    deps.publicAddressUrl = PublicAddressFetcher::defaultUrl();
    deps.volumeSpace = VolumeSpace::of;
    return deps;
}

SystemStatsProvider::SystemStatsProvider(Deps deps, bool autoStart, QObject* parent)
    : ObservableObject(parent), m_deps(std::move(deps)),
      m_readers(std::make_unique<Readers>(m_deps.paths, [this] { return m_deps.localAI->demoMode(); }))
{
    Q_ASSERT(m_deps.settings && m_deps.random && m_deps.localAI && m_deps.notifier);
    if (!m_deps.physicalMemory)
        m_deps.physicalMemory = physicalMemoryBytes;
    if (!m_deps.scheduler)
        m_deps.scheduler = &Scheduler::system();
    if (!m_deps.clock)
        m_deps.clock = &Clock::system();
    if (!m_deps.signaller)
        m_deps.signaller = &ProcessSignaller::system();
    if (!m_deps.volumeSpace)
        m_deps.volumeSpace = VolumeSpace::of;
    if (!m_deps.interfaceAddresses)
        m_deps.interfaceAddresses = [] { return QList<InterfaceAddress>(); };
    m_publicAddress = new PublicAddressFetcher(m_deps.publicAddressUrl, std::chrono::seconds(5), this);
    connect(m_publicAddress, &PublicAddressFetcher::fetched, this, &SystemStatsProvider::setPublicIP);
    connect(m_publicAddress, &PublicAddressFetcher::failed, this,
            [this] { m_publicAddressQuietTicks = kPublicAddressRetryTicks; });
    m_cacheMeter = new TreeSizeMeter(this);
    connect(m_cacheMeter, &TreeSizeMeter::measured, this, [this](qint64 bytes) {
        // Nothing with a size (or no folder at all) shows the stock figure.
        setHuggingFaceCacheSizeInGB(bytes > 0 ? double(bytes) / 1073741824.0 : 34.2);
    });
    determineCoreCounts();
    if (autoStart) {
        // The first tick comes one interval after creation.
        m_timer = new QTimer(this);
        m_timer->setInterval(kTickIntervalMs);
        connect(m_timer, &QTimer::timeout, this, &SystemStatsProvider::updateStats);
        m_timer->start();
    }
}

SystemStatsProvider::~SystemStatsProvider() = default;

SystemStatsProvider::Readers::Readers(const SystemPaths& paths, std::function<bool()> demoMode)
    : netDev(paths.procRoot), connections(paths.procRoot), procStat(paths.procRoot), memInfoReader(paths.procRoot),
      zram(paths.sysRoot), hidMonitor(std::make_unique<ThermalSensorReader>(paths.sysRoot)),
      powerSupplies(paths.sysRoot), hardware(paths), compilerCheck(paths.procRoot, std::move(demoMode))
{
}

void SystemStatsProvider::updateStats()
{
    updateCPU();
    updateMemory();
    updateNetwork();
    updateSensors();
    updateBattery();
    updateDisk();
    updateIPs();
    if (connectionsShown())
        updateConnections();
    if (m_isLowPowerModeEnabled)
        applyLowPowerScaling();
    updateModelledFigures();
    updateGpuCoreCount();
    checkCPUAlerts();
}

double SystemStatsProvider::baselineCpuUsage() const { return m_deps.settings->baselineCpuUsage().value_or(0.0); }

double SystemStatsProvider::baselineTemp() const { return m_deps.settings->baselineTemp().value_or(0.0); }

// Display only: the machine's own power settings are not touched. The CPU
// history and baseline were updated earlier in the tick and stay unscaled.
void SystemStatsProvider::applyLowPowerScaling()
{
    // The three CPU figures are scaled in place and always notify.
    announce(m_cpuUsage, m_cpuUsage / 2.5, &SystemStatsProvider::cpuUsageChanged);
    announce(m_eClusterUsage, m_eClusterUsage / 1.5, &SystemStatsProvider::eClusterUsageChanged);
    announce(m_pClusterUsage, m_pClusterUsage / 3.0, &SystemStatsProvider::pClusterUsageChanged);
    setPowerDraw(std::max(m_powerDraw * 0.25, 1.5));
    setSocTemperature(std::max(m_socTemperature / 1.4, 38.0));
    setGpuTemperature(std::max(m_gpuTemperature / 1.4, 36.0));
    setFanRPMs({m_fanRPMs.isEmpty() ? 0.0 : std::max(m_fanRPMs.first() / 2.0, 0.0)});
    setThrottlingStatus(0.0);
}

void SystemStatsProvider::updateModelledFigures()
{
    Random& random = *m_deps.random;
    // Drawn one statement at a time: the order of the draws is part of the
    // behaviour (a seeded generator reproduces a tick).
    if (m_deps.localAI->loadedModelSizes().isEmpty()) {
        setAneUsage(random.uniform(0.0, 0.5));
        setAnePowerDraw(0.02);
        setGpuUsage(random.uniform(0.5, 2.5));
    } else if (!m_isLowPowerModeEnabled) {
        setAneUsage(random.uniform(35.0, 75.0));
        setAnePowerDraw(random.uniform(2.1, 4.8));
        setGpuUsage(random.uniform(25.0, 65.0));
    } else {
        setAneUsage(random.uniform(15.0, 35.0));
        setAnePowerDraw(std::max(random.uniform(2.1, 4.8) / 3.0, 0.5));
        setGpuUsage(random.uniform(10.0, 25.0));
    }
}

void SystemStatsProvider::updateGpuCoreCount()
{
    const int cores = (m_eCoreCount + m_pCoreCount) * 2;
    setGpuCoreCount(cores > 0 ? cores : 16);
}

void SystemStatsProvider::checkCPUAlerts()
{
    // Fixed threshold; the stored "cpuAlertThreshold" does not move it. The
    // fixed identifier makes each alert replace the previous one.
    if (!(m_cpuUsage > kCpuAlertThreshold))
        return;
    m_deps.notifier->post(QStringLiteral("HighCPU"), QStringLiteral("High CPU Usage Alert"),
                          QStringLiteral("System CPU usage is at ") + QString::number(kestrova::safeTrunc(m_cpuUsage)) +
                              QStringLiteral("%. Consider checking intensive processes."));
}
