#pragma once

#include "core/ObservableObject.h"
#include "platform/BatteryInfo.h"
#include "platform/InterfaceAddress.h"
#include "platform/SystemPaths.h"
#include "platform/VolumeSpace.h"
#include "telemetry/ActiveConnection.h"
#include "telemetry/MachineHardwareInfo.h"

#include <QCoroTask>
#include <QUrl>

#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class Clock;
class DesktopNotifier;
class LocalAIStateSource;
class ProcessSignaller;
class PublicAddressFetcher;
class Scheduler;
class TreeSizeMeter;
class QTimer;
class Random;
class SettingsStore;

// The telemetry hub: samples the machine once a second on the main thread
// and holds every live figure that the status label, the popover and the
// dashboard show. Sizes in GB are bytes / 1024^3, percentages 0-100,
// temperatures degrees Celsius.
class SystemStatsProvider final : public ObservableObject {
    Q_OBJECT

    // CPU
    Q_PROPERTY(double cpuUsage READ cpuUsage WRITE setCpuUsage NOTIFY cpuUsageChanged)
    Q_PROPERTY(QList<double> cpuHistory READ cpuHistory NOTIFY cpuHistoryChanged)
    Q_PROPERTY(double eClusterUsage READ eClusterUsage WRITE setEClusterUsage NOTIFY eClusterUsageChanged)
    Q_PROPERTY(double pClusterUsage READ pClusterUsage WRITE setPClusterUsage NOTIFY pClusterUsageChanged)
    // Neural Engine, unified memory and GPU
    Q_PROPERTY(double aneUsage READ aneUsage WRITE setAneUsage NOTIFY aneUsageChanged)
    Q_PROPERTY(double anePowerDraw READ anePowerDraw WRITE setAnePowerDraw NOTIFY anePowerDrawChanged)
    Q_PROPERTY(double aiVramUsed READ aiVramUsed WRITE setAiVramUsed NOTIFY aiVramUsedChanged)
    Q_PROPERTY(double aiVramTotal READ aiVramTotal WRITE setAiVramTotal NOTIFY aiVramTotalChanged)
    Q_PROPERTY(bool hostVramSplitAlert READ hostVramSplitAlert WRITE setHostVramSplitAlert NOTIFY hostVramSplitAlertChanged)
    Q_PROPERTY(double gpuUsage READ gpuUsage WRITE setGpuUsage NOTIFY gpuUsageChanged)
    Q_PROPERTY(int gpuCoreCount READ gpuCoreCount WRITE setGpuCoreCount NOTIFY gpuCoreCountChanged)
    Q_PROPERTY(int eCoreCount READ eCoreCount CONSTANT)   // counted once, at construction
    Q_PROPERTY(int pCoreCount READ pCoreCount CONSTANT)
    // Memory
    Q_PROPERTY(double memoryUsed READ memoryUsed WRITE setMemoryUsed NOTIFY memoryUsedChanged)
    Q_PROPERTY(double memoryTotal READ memoryTotal WRITE setMemoryTotal NOTIFY memoryTotalChanged)
    Q_PROPERTY(double memoryPressure READ memoryPressure WRITE setMemoryPressure NOTIFY memoryPressureChanged)
    Q_PROPERTY(double memoryWired READ memoryWired WRITE setMemoryWired NOTIFY memoryWiredChanged)
    Q_PROPERTY(double memoryCompressed READ memoryCompressed WRITE setMemoryCompressed NOTIFY memoryCompressedChanged)
    Q_PROPERTY(double memoryApp READ memoryApp WRITE setMemoryApp NOTIFY memoryAppChanged)
    Q_PROPERTY(double memorySwap READ memorySwap WRITE setMemorySwap NOTIFY memorySwapChanged)
    // Network and addresses
    Q_PROPERTY(double networkUpload READ networkUpload WRITE setNetworkUpload NOTIFY networkUploadChanged)
    Q_PROPERTY(double networkDownload READ networkDownload WRITE setNetworkDownload NOTIFY networkDownloadChanged)
    Q_PROPERTY(QString localIP READ localIP WRITE setLocalIP NOTIFY localIPChanged)
    Q_PROPERTY(QString publicIP READ publicIP WRITE setPublicIP NOTIFY publicIPChanged)
    // Disk
    Q_PROPERTY(double diskUsed READ diskUsed WRITE setDiskUsed NOTIFY diskUsedChanged)
    Q_PROPERTY(double diskTotal READ diskTotal WRITE setDiskTotal NOTIFY diskTotalChanged)
    Q_PROPERTY(double diskRead READ diskRead WRITE setDiskRead NOTIFY diskReadChanged)
    Q_PROPERTY(double diskWrite READ diskWrite WRITE setDiskWrite NOTIFY diskWriteChanged)
    // Connections
    Q_PROPERTY(QList<ActiveConnection> activeConnections READ activeConnections WRITE setActiveConnections
                   NOTIFY activeConnectionsChanged)
    // Temperatures, power and battery
    Q_PROPERTY(double socTemperature READ socTemperature WRITE setSocTemperature NOTIFY socTemperatureChanged)
    Q_PROPERTY(double powerDraw READ powerDraw WRITE setPowerDraw NOTIFY powerDrawChanged)
    Q_PROPERTY(int batteryPercentage READ batteryPercentage WRITE setBatteryPercentage NOTIFY batteryPercentageChanged)
    Q_PROPERTY(bool batteryIsCharging READ batteryIsCharging WRITE setBatteryIsCharging NOTIFY batteryIsChargingChanged)
    Q_PROPERTY(int batteryTimeToEmpty READ batteryTimeToEmpty WRITE setBatteryTimeToEmpty NOTIFY batteryTimeToEmptyChanged)
    Q_PROPERTY(double batteryTemperature READ batteryTemperature CONSTANT)
    Q_PROPERTY(bool isUnplugged READ isUnplugged WRITE setIsUnplugged NOTIFY isUnpluggedChanged)
    Q_PROPERTY(bool forceTurboCooling READ forceTurboCooling WRITE setForceTurboCooling NOTIFY forceTurboCoolingChanged)
    Q_PROPERTY(QList<double> fanRPMs READ fanRPMs WRITE setFanRPMs NOTIFY fanRPMsChanged)
    Q_PROPERTY(double ssdTemperature READ ssdTemperature WRITE setSsdTemperature NOTIFY ssdTemperatureChanged)
    Q_PROPERTY(double gpuTemperature READ gpuTemperature WRITE setGpuTemperature NOTIFY gpuTemperatureChanged)
    Q_PROPERTY(double throttlingStatus READ throttlingStatus WRITE setThrottlingStatus NOTIFY throttlingStatusChanged)
    // Switches and credits
    Q_PROPERTY(bool isLowPowerModeEnabled READ isLowPowerModeEnabled WRITE setIsLowPowerModeEnabled
                   NOTIFY isLowPowerModeEnabledChanged)
    Q_PROPERTY(double optimizedMemoryReleased READ optimizedMemoryReleased WRITE setOptimizedMemoryReleased
                   NOTIFY optimizedMemoryReleasedChanged)
    Q_PROPERTY(double cleanedJunkTotal READ cleanedJunkTotal WRITE setCleanedJunkTotal NOTIFY cleanedJunkTotalChanged)
    Q_PROPERTY(double huggingFaceCacheSizeInGB READ huggingFaceCacheSizeInGB WRITE setHuggingFaceCacheSizeInGB
                   NOTIFY huggingFaceCacheSizeInGBChanged)

public:
    struct Deps {
        SystemPaths paths;                     // /proc and /sys roots, home, temp
        SettingsStore* settings = nullptr;     // the baselines
        Random* random = nullptr;              // modelled figures
        LocalAIStateSource* localAI = nullptr; // loaded models, turbo switch, demo mode
        DesktopNotifier* notifier = nullptr;   // the high-CPU alert
        std::function<quint64()> physicalMemory; // installed memory in bytes
        Scheduler* scheduler = nullptr;        // the actions' fixed waits
        Clock* clock = nullptr;                // the CSV export's times
        ProcessSignaller* signaller = nullptr; // the connection kill
        std::function<QList<InterfaceAddress>()> interfaceAddresses; // IPv4 addresses by interface
        QUrl publicAddressUrl;                 // the plain-text echo service
        std::function<std::optional<VolumeSpace>(const QString&)> volumeSpace; // capacity of a path's volume

        // The real machine and the process-wide services.
        static Deps live();
    };

    // The one production instance; its creation starts the one-second timer.
    static SystemStatsProvider& shared();

    // Every pointer in deps must be set and outlive the sampler. With
    // autoStart false nothing runs until tick()/updateStats() is called.
    explicit SystemStatsProvider(Deps deps, bool autoStart = false, QObject* parent = nullptr);
    ~SystemStatsProvider() override;

    static constexpr int kHistoryLength = 60;
    static constexpr int kTickIntervalMs = 1000;
    static constexpr double kCpuAlertThreshold = 90.0;

    // One full sample and the derived and modelled figures, synchronously.
    Q_INVOKABLE void updateStats();
    void tick() { updateStats(); }

    // Measures the model-download cache again, off the main thread; the
    // figure follows when the walk ends.
    void updateHuggingFaceCacheSize();

    // Reading the connection table walks the kernel's whole TCP hash, so the
    // ticks read it only while something shows the connections. The first
    // viewer gets a fresh read at once; the interest ends when the last
    // returned handle is destroyed.
    [[nodiscard]] std::shared_ptr<void> showConnections();
    bool connectionsShown() const { return m_connectionViewers > 0; }

    // Kills (signal 9) the process of a connection row, given its pid text,
    // then reads the connection list again. Only a process of the latest
    // list, still running as listed, and never our own.
    QCoro::Task<> killConnectionProcess(QString pid);
    // Writes the CPU history to a CSV file in the temp folder; its path, or
    // nothing when it could not be written.
    std::optional<QString> exportHistoryToCSV();
    // Deletes the model-download cache folder and creates it again empty.
    // True when the folder's contents are gone (or there was none).
    QCoro::Task<bool> purgeHuggingFaceCache();
    // Reports a modelled amount of memory as released (nothing is freed).
    QCoro::Task<> optimizeMemory();
    // Credits an amount as cleaned (nothing is deleted).
    QCoro::Task<> cleanJunkFiles(double amountInGB);

    // The folder the model-download cache lives in.
    QString huggingFaceCacheFolder() const;

    // The machine's own battery; nothing on a machine without one.
    std::optional<BatteryInfo> getBatteryInfo();
    // The machine's description for the system-info page.
    MachineHardwareInfo getHardwareInfo();

    // cpuUsage per watt; divides by 1 when there is no power reading.
    double efficiencyRatio() const { return m_cpuUsage / (m_powerDraw > 0 ? m_powerDraw : 1.0); }
    // The slow moving averages kept in the settings (0 while absent).
    double baselineCpuUsage() const;
    double baselineTemp() const;

    int eCoreCount() const { return m_eCoreCount; }
    int pCoreCount() const { return m_pCoreCount; }

    // CPU
    double cpuUsage() const { return m_cpuUsage; }
    void setCpuUsage(double value) { assign(m_cpuUsage, value, &SystemStatsProvider::cpuUsageChanged); }
    // The last kHistoryLength unscaled cpuUsage figures, oldest first; only
    // the tick moves it, so it always holds exactly kHistoryLength entries.
    const QList<double>& cpuHistory() const { return m_cpuHistory; }
    double eClusterUsage() const { return m_eClusterUsage; }
    void setEClusterUsage(double value) { assign(m_eClusterUsage, value, &SystemStatsProvider::eClusterUsageChanged); }
    double pClusterUsage() const { return m_pClusterUsage; }
    void setPClusterUsage(double value) { assign(m_pClusterUsage, value, &SystemStatsProvider::pClusterUsageChanged); }

    // Neural Engine, unified memory and GPU
    double aneUsage() const { return m_aneUsage; }
    void setAneUsage(double value) { assign(m_aneUsage, value, &SystemStatsProvider::aneUsageChanged); }
    double anePowerDraw() const { return m_anePowerDraw; }
    void setAnePowerDraw(double value) { assign(m_anePowerDraw, value, &SystemStatsProvider::anePowerDrawChanged); }
    double aiVramUsed() const { return m_aiVramUsed; }
    void setAiVramUsed(double value) { assign(m_aiVramUsed, value, &SystemStatsProvider::aiVramUsedChanged); }
    double aiVramTotal() const { return m_aiVramTotal; }
    void setAiVramTotal(double value) { assign(m_aiVramTotal, value, &SystemStatsProvider::aiVramTotalChanged); }
    bool hostVramSplitAlert() const { return m_hostVramSplitAlert; }
    void setHostVramSplitAlert(bool value) { assign(m_hostVramSplitAlert, value, &SystemStatsProvider::hostVramSplitAlertChanged); }
    double gpuUsage() const { return m_gpuUsage; }
    void setGpuUsage(double value) { assign(m_gpuUsage, value, &SystemStatsProvider::gpuUsageChanged); }
    int gpuCoreCount() const { return m_gpuCoreCount; }
    void setGpuCoreCount(int value) { assign(m_gpuCoreCount, value, &SystemStatsProvider::gpuCoreCountChanged); }

    // Memory
    double memoryUsed() const { return m_memoryUsed; }
    void setMemoryUsed(double value) { assign(m_memoryUsed, value, &SystemStatsProvider::memoryUsedChanged); }
    double memoryTotal() const { return m_memoryTotal; }
    void setMemoryTotal(double value) { assign(m_memoryTotal, value, &SystemStatsProvider::memoryTotalChanged); }
    double memoryPressure() const { return m_memoryPressure; }
    void setMemoryPressure(double value) { assign(m_memoryPressure, value, &SystemStatsProvider::memoryPressureChanged); }
    double memoryWired() const { return m_memoryWired; }
    void setMemoryWired(double value) { assign(m_memoryWired, value, &SystemStatsProvider::memoryWiredChanged); }
    double memoryCompressed() const { return m_memoryCompressed; }
    void setMemoryCompressed(double value) { assign(m_memoryCompressed, value, &SystemStatsProvider::memoryCompressedChanged); }
    double memoryApp() const { return m_memoryApp; }
    void setMemoryApp(double value) { assign(m_memoryApp, value, &SystemStatsProvider::memoryAppChanged); }
    double memorySwap() const { return m_memorySwap; }
    void setMemorySwap(double value) { assign(m_memorySwap, value, &SystemStatsProvider::memorySwapChanged); }

    // Network and addresses
    double networkUpload() const { return m_networkUpload; }
    void setNetworkUpload(double value) { assign(m_networkUpload, value, &SystemStatsProvider::networkUploadChanged); }
    double networkDownload() const { return m_networkDownload; }
    void setNetworkDownload(double value) { assign(m_networkDownload, value, &SystemStatsProvider::networkDownloadChanged); }
    const QString& localIP() const { return m_localIP; }
    void setLocalIP(QString value) { assign(m_localIP, std::move(value), &SystemStatsProvider::localIPChanged); }
    const QString& publicIP() const { return m_publicIP; }
    void setPublicIP(QString value) { assign(m_publicIP, std::move(value), &SystemStatsProvider::publicIPChanged); }

    // Disk
    double diskUsed() const { return m_diskUsed; }
    void setDiskUsed(double value) { assign(m_diskUsed, value, &SystemStatsProvider::diskUsedChanged); }
    double diskTotal() const { return m_diskTotal; }
    void setDiskTotal(double value) { assign(m_diskTotal, value, &SystemStatsProvider::diskTotalChanged); }
    double diskRead() const { return m_diskRead; }
    void setDiskRead(double value) { assign(m_diskRead, value, &SystemStatsProvider::diskReadChanged); }
    double diskWrite() const { return m_diskWrite; }
    void setDiskWrite(double value) { assign(m_diskWrite, value, &SystemStatsProvider::diskWriteChanged); }

    // Connections: every assignment notifies, equal list or not.
    const QList<ActiveConnection>& activeConnections() const { return m_activeConnections; }
    void setActiveConnections(QList<ActiveConnection> value)
    {
        announce(m_activeConnections, std::move(value), &SystemStatsProvider::activeConnectionsChanged);
    }

    // Temperatures, power and battery
    double socTemperature() const { return m_socTemperature; }
    void setSocTemperature(double value) { assign(m_socTemperature, value, &SystemStatsProvider::socTemperatureChanged); }
    double powerDraw() const { return m_powerDraw; }
    void setPowerDraw(double value) { assign(m_powerDraw, value, &SystemStatsProvider::powerDrawChanged); }
    int batteryPercentage() const { return m_batteryPercentage; }
    void setBatteryPercentage(int value) { assign(m_batteryPercentage, value, &SystemStatsProvider::batteryPercentageChanged); }
    bool batteryIsCharging() const { return m_batteryIsCharging; }
    void setBatteryIsCharging(bool value) { assign(m_batteryIsCharging, value, &SystemStatsProvider::batteryIsChargingChanged); }
    int batteryTimeToEmpty() const { return m_batteryTimeToEmpty; }
    void setBatteryTimeToEmpty(int value) { assign(m_batteryTimeToEmpty, value, &SystemStatsProvider::batteryTimeToEmptyChanged); }
    // No reader provides it; it stays 0.
    double batteryTemperature() const { return m_batteryTemperature; }
    bool isUnplugged() const { return m_isUnplugged; }
    void setIsUnplugged(bool value) { assign(m_isUnplugged, value, &SystemStatsProvider::isUnpluggedChanged); }
    bool forceTurboCooling() const { return m_forceTurboCooling; }
    void setForceTurboCooling(bool value) { assign(m_forceTurboCooling, value, &SystemStatsProvider::forceTurboCoolingChanged); }
    const QList<double>& fanRPMs() const { return m_fanRPMs; }
    void setFanRPMs(QList<double> value) { assign(m_fanRPMs, std::move(value), &SystemStatsProvider::fanRPMsChanged); }
    double ssdTemperature() const { return m_ssdTemperature; }
    void setSsdTemperature(double value) { assign(m_ssdTemperature, value, &SystemStatsProvider::ssdTemperatureChanged); }
    double gpuTemperature() const { return m_gpuTemperature; }
    void setGpuTemperature(double value) { assign(m_gpuTemperature, value, &SystemStatsProvider::gpuTemperatureChanged); }
    double throttlingStatus() const { return m_throttlingStatus; }
    void setThrottlingStatus(double value) { assign(m_throttlingStatus, value, &SystemStatsProvider::throttlingStatusChanged); }

    // Switches and credits
    bool isLowPowerModeEnabled() const { return m_isLowPowerModeEnabled; }
    void setIsLowPowerModeEnabled(bool value)
    {
        assign(m_isLowPowerModeEnabled, value, &SystemStatsProvider::isLowPowerModeEnabledChanged);
    }
    double optimizedMemoryReleased() const { return m_optimizedMemoryReleased; }
    void setOptimizedMemoryReleased(double value)
    {
        assign(m_optimizedMemoryReleased, value, &SystemStatsProvider::optimizedMemoryReleasedChanged);
    }
    double cleanedJunkTotal() const { return m_cleanedJunkTotal; }
    void setCleanedJunkTotal(double value) { assign(m_cleanedJunkTotal, value, &SystemStatsProvider::cleanedJunkTotalChanged); }
    // A credit to the cleaned total notifies even when the amount is 0.
    void addToCleanedJunkTotal(double amount)
    {
        announce(m_cleanedJunkTotal, m_cleanedJunkTotal + amount, &SystemStatsProvider::cleanedJunkTotalChanged);
    }
    double huggingFaceCacheSizeInGB() const { return m_huggingFaceCacheSizeInGB; }
    void setHuggingFaceCacheSizeInGB(double value)
    {
        assign(m_huggingFaceCacheSizeInGB, value, &SystemStatsProvider::huggingFaceCacheSizeInGBChanged);
    }

signals:
    void cpuUsageChanged();
    void cpuHistoryChanged();
    void eClusterUsageChanged();
    void pClusterUsageChanged();
    void aneUsageChanged();
    void anePowerDrawChanged();
    void aiVramUsedChanged();
    void aiVramTotalChanged();
    void hostVramSplitAlertChanged();
    void gpuUsageChanged();
    void gpuCoreCountChanged();
    void memoryUsedChanged();
    void memoryTotalChanged();
    void memoryPressureChanged();
    void memoryWiredChanged();
    void memoryCompressedChanged();
    void memoryAppChanged();
    void memorySwapChanged();
    void networkUploadChanged();
    void networkDownloadChanged();
    void localIPChanged();
    void publicIPChanged();
    void diskUsedChanged();
    void diskTotalChanged();
    void diskReadChanged();
    void diskWriteChanged();
    void activeConnectionsChanged();
    void socTemperatureChanged();
    void powerDrawChanged();
    void batteryPercentageChanged();
    void batteryIsChargingChanged();
    void batteryTimeToEmptyChanged();
    void isUnpluggedChanged();
    void forceTurboCoolingChanged();
    void fanRPMsChanged();
    void ssdTemperatureChanged();
    void gpuTemperatureChanged();
    void throttlingStatusChanged();
    void isLowPowerModeEnabledChanged();
    void optimizedMemoryReleasedChanged();
    void cleanedJunkTotalChanged();
    void huggingFaceCacheSizeInGBChanged();

private:
    // Tick steps, in tick order. Each lives in the file named after its area.
    void updateCPU();           // SystemStatsProvider_cpu.cpp
    void updateMemory();        // SystemStatsProvider_memory.cpp
    void updateNetwork();       // SystemStatsProvider_network.cpp
    void updateSensors();       // SystemStatsProvider_sensors.cpp
    void updateBattery();       // SystemStatsProvider_battery.cpp
    void updateDisk();          // SystemStatsProvider_disk.cpp
    void updateIPs();           // SystemStatsProvider_network.cpp
    void updateConnections();   // SystemStatsProvider_network.cpp
    void applyLowPowerScaling();
    void updateModelledFigures();
    void updateGpuCoreCount();
    void checkCPUAlerts();

    void determineCoreCounts();
    void updateBaselines();
    void pushHistory(double value);
    bool isEfficiencyCpu(int cpu, std::size_t position) const;
    bool isCompilerRunning();   // SystemStatsProvider_hardware.cpp

    Deps m_deps;

    // CPU
    double m_cpuUsage = 0;
    QList<double> m_cpuHistory = QList<double>(kHistoryLength, 0.0);
    double m_eClusterUsage = 0;
    double m_pClusterUsage = 0;
    // Neural Engine, unified memory and GPU
    double m_aneUsage = 0;
    double m_anePowerDraw = 0;
    double m_aiVramUsed = 0;
    double m_aiVramTotal = 0;
    bool m_hostVramSplitAlert = false;
    double m_gpuUsage = 0;
    int m_gpuCoreCount = 16;
    // Memory
    double m_memoryUsed = 0;
    double m_memoryTotal = 0;
    double m_memoryPressure = 0;
    double m_memoryWired = 0;
    double m_memoryCompressed = 0;
    double m_memoryApp = 0;
    double m_memorySwap = 0;
    // Network and addresses
    double m_networkUpload = 0;
    double m_networkDownload = 0;
    QString m_localIP = QStringLiteral("127.0.0.1");
    QString m_publicIP = QStringLiteral("Checking...");
    // Disk
    double m_diskUsed = 0;
    double m_diskTotal = 0;
    double m_diskRead = 0;
    double m_diskWrite = 0;
    // Connections
    QList<ActiveConnection> m_activeConnections;
    int m_connectionViewers = 0;
    // Temperatures, power and battery
    double m_socTemperature = 0;
    double m_powerDraw = 0;
    int m_batteryPercentage = 0;
    bool m_batteryIsCharging = false;
    int m_batteryTimeToEmpty = 0;
    double m_batteryTemperature = 0;
    bool m_isUnplugged = false;
    bool m_forceTurboCooling = false;
    QList<double> m_fanRPMs = {0.0};
    double m_ssdTemperature = 0;
    double m_gpuTemperature = 0;
    double m_throttlingStatus = 0;
    // Switches and credits
    bool m_isLowPowerModeEnabled = false;
    double m_optimizedMemoryReleased = 0;
    double m_cleanedJunkTotal = 0;
    double m_huggingFaceCacheSizeInGB = 0;

    // Working state
    QTimer* m_timer = nullptr;
    int m_eCoreCount = 0;
    int m_pCoreCount = 0;
    PublicAddressFetcher* m_publicAddress = nullptr;
    // After a failed request (offline, no DNS) the next waits this many
    // ticks instead of one.
    static constexpr int kPublicAddressRetryTicks = 30;
    int m_publicAddressQuietTicks = 0;
    TreeSizeMeter* m_cacheMeter = nullptr;
    // pid -> start time of each listed process whose kill the system refused
    // and that was said.
    QHash<qint32, quint64> m_killRefusalsSaid;

    // The /proc and /sys readers and their buffers, kept out of this header
    // so that a change to a reader rebuilds the sampler, not its viewers.
    struct Readers;
    std::unique_ptr<Readers> m_readers;
};
