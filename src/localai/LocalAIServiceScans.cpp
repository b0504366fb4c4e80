// The environment scans of LocalAIService: orphaned IDE companions,
// listening ports and model files (containers have a file of their own).
#include "localai/LocalAIService.h"

#include "localai/LocalAIExamples.h"
#include "localai/ModelCacheFolders.h"
#include "platform/TreeSizeCache.h"
#include "platform/FileWorker.h"

#include <QCoroFuture>
#include <QPointer>

QCoro::Task<> LocalAIService::scanOrphanedCompanions()
{
    // No process is examined for companions: outside demo mode the list is
    // empty, in demo mode it shows the examples.
    if (!m_demoMode)
        setOrphanedAICompanions({});
    else if (m_orphanedAICompanions.isEmpty())
        setOrphanedAICompanions(LocalAIExamples::orphanedCompanions());
    co_return;
}

QCoro::Task<> LocalAIService::scanLocalPorts()
{
    if (m_demoMode) {
        // Owners from before demo mode are no longer the latest live scan:
        // an example row whose pid happens to match one must not reach it
        // once demo mode is off again.
        m_scannedPortOwners.clear();
        if (m_activeLocalPorts.isEmpty())
            setActiveLocalPorts(LocalAIExamples::localPorts());
        co_return;
    }
    QPointer<LocalAIService> self(this);
    // g++ 12 destroys a capturing lambda written inside a co_await
    // expression twice: the job is made in its own statement.
    QFuture<ListeningPortScanner::Result> job =
        m_deps.fileWorker->run([scanner = m_portScanner] { return scanner->scan(); });
    ListeningPortScanner::Result result = co_await job;
    if (!self)
        co_return;
    m_scannedPortOwners = std::move(result.owners);
    setActiveLocalPorts(std::move(result.ports));
}

QCoro::Task<> LocalAIService::scanModelCache()
{
    if (m_demoMode) {
        if (m_cachedModelFiles.isEmpty())
            setCachedModelFiles(LocalAIExamples::modelCacheFiles());
        co_return;
    }
    QPointer<LocalAIService> self(this);
    QFuture<QList<ModelCacheFile>> job =
        m_deps.fileWorker->run([home = m_deps.paths.home, sizes = m_modelSizes] { return ModelCacheFolders::scan(home, sizes.get()); });
    QList<ModelCacheFile> files = co_await job;
    if (!self)
        co_return;
    setCachedModelFiles(std::move(files));
}
