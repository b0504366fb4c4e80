#pragma once

#include "core/ObservableObject.h"
#include "core/SerialGate.h"
#include "localai/SDKVersionInfo.h"

#include <QCoroTask>
#include <QList>
#include <QTimer>

#include <functional>
#include <memory>

class Clock;
class FileWorker;
class TreeSizeCache;

// Sizes eight developer and creative cache folders below the home folder
// every 5 seconds, lists the installed nvm/mise/asdf toolchain versions, and
// purges them on request. Two model-cache figures are fixed display values.
//
// All file work (walks, listings, deletions) runs on the serial file worker;
// passes and purges also take turns on the main thread, so one never starts
// before the previous one has published its results. Demo mode (read when an
// operation gets its turn) swaps the measurements for fixed figures and makes
// the purges touch no file.
//
// A purge never leaves the file system of the folder it empties: mount
// points below it (folders or single files) stay, with what they hold, and a
// folder reached through a linked folder is refused. A purge that leaves or
// refuses anything prints one line saying so. The sizes count exactly what
// the purge may take, so a purge that removed all it may shows the row clean.
class BuildCacheService final : public ObservableObject {
    Q_OBJECT
    Q_PROPERTY(qint64 derivedDataSize READ derivedDataSize NOTIFY derivedDataSizeChanged)
    Q_PROPERTY(qint64 spmCacheSize READ spmCacheSize NOTIFY spmCacheSizeChanged)
    Q_PROPERTY(qint64 npmCacheSize READ npmCacheSize NOTIFY npmCacheSizeChanged)
    Q_PROPERTY(qint64 cargoCacheSize READ cargoCacheSize NOTIFY cargoCacheSizeChanged)
    Q_PROPERTY(qint64 goCacheSize READ goCacheSize NOTIFY goCacheSizeChanged)
    Q_PROPERTY(qint64 finalCutCacheSize READ finalCutCacheSize NOTIFY finalCutCacheSizeChanged)
    Q_PROPERTY(qint64 davinciCacheSize READ davinciCacheSize NOTIFY davinciCacheSizeChanged)
    Q_PROPERTY(qint64 adobeCacheSize READ adobeCacheSize NOTIFY adobeCacheSizeChanged)
    Q_PROPERTY(QList<SDKVersionInfo> foundSDKVersions READ foundSDKVersions NOTIFY foundSDKVersionsChanged)
    Q_PROPERTY(double huggingfaceCacheSizeGB READ huggingfaceCacheSizeGB NOTIFY huggingfaceCacheSizeGBChanged)
    Q_PROPERTY(double ollamaCacheSizeGB READ ollamaCacheSizeGB NOTIFY ollamaCacheSizeGBChanged)

public:
    struct Deps {
        QString home;                     // the user's home folder
        std::function<bool()> demoMode;   // read on the main thread when an operation starts
        FileWorker* worker = nullptr;     // null: the shared file worker
        Clock* clock = nullptr;           // null: the system clock
    };

    // The process-wide instance; its creation starts the polling.
    static BuildCacheService& shared();

    explicit BuildCacheService(Deps deps, bool autoStart = false, QObject* parent = nullptr);
    ~BuildCacheService() override;

    qint64 derivedDataSize() const { return m_derivedDataSize; }
    qint64 spmCacheSize() const { return m_spmCacheSize; }
    qint64 npmCacheSize() const { return m_npmCacheSize; }
    qint64 cargoCacheSize() const { return m_cargoCacheSize; }
    qint64 goCacheSize() const { return m_goCacheSize; }
    qint64 finalCutCacheSize() const { return m_finalCutCacheSize; }
    qint64 davinciCacheSize() const { return m_davinciCacheSize; }
    qint64 adobeCacheSize() const { return m_adobeCacheSize; }
    const QList<SDKVersionInfo>& foundSDKVersions() const { return m_foundSDKVersions; }
    double huggingfaceCacheSizeGB() const { return m_huggingfaceCacheSizeGB; }
    double ollamaCacheSizeGB() const { return m_ollamaCacheSizeGB; }

    // Starts the 5-second poll and queues the first pass at once.
    void startPolling();
    // What one timer firing does: queues a pass (cache sizes, then toolchain
    // versions) unless one is already queued or running.
    void tick();

    QCoro::Task<> scanCaches();
    QCoro::Task<> scanSDKVersions();

    QCoro::Task<> purgeDerivedData();
    QCoro::Task<> purgeSPMCache();
    QCoro::Task<> purgeNpmCache();
    QCoro::Task<> purgeCargoCache();
    QCoro::Task<> purgeGoCache();
    QCoro::Task<> purgeFinalCutCache();
    QCoro::Task<> purgeDavinciCache();
    QCoro::Task<> purgeAdobeCache();
    QCoro::Task<> purgeSDKVersion(QString path);
    // Clears one of the two model-cache figures; deletes nothing.
    void purgeCache(const QString& path);

signals:
    void derivedDataSizeChanged();
    void spmCacheSizeChanged();
    void npmCacheSizeChanged();
    void cargoCacheSizeChanged();
    void goCacheSizeChanged();
    void finalCutCacheSizeChanged();
    void davinciCacheSizeChanged();
    void adobeCacheSizeChanged();
    void foundSDKVersionsChanged();
    void huggingfaceCacheSizeGBChanged();
    void ollamaCacheSizeGBChanged();

private:
    struct CacheFolder;
    static const QList<CacheFolder>& cacheFolders();

    bool demoMode() const;
    FileWorker& worker() const;
    QDateTime now() const;
    void setSize(int row, qint64 bytes);

    QCoro::Task<> runPass();
    // Empties the folder of one table row (see CacheFolder), then measures.
    QCoro::Task<> purgeRow(int row);
    // The bodies of the two scans; the caller holds the turn.
    QCoro::Task<> measureCaches();
    QCoro::Task<> listSDKVersions();

    Deps m_deps;
    // Used on the file worker only; jobs hold it past this service's end.
    std::shared_ptr<TreeSizeCache> m_sizes;
    SerialGate m_turns;
    bool m_passQueued = false;
    QTimer m_timer{this};

    qint64 m_derivedDataSize = 0;
    qint64 m_spmCacheSize = 0;
    qint64 m_npmCacheSize = 0;
    qint64 m_cargoCacheSize = 0;
    qint64 m_goCacheSize = 0;
    qint64 m_finalCutCacheSize = 0;
    qint64 m_davinciCacheSize = 0;
    qint64 m_adobeCacheSize = 0;
    QList<SDKVersionInfo> m_foundSDKVersions;
    double m_huggingfaceCacheSizeGB = 12.4;
    double m_ollamaCacheSizeGB = 18.2;
};
