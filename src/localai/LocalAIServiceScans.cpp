// The environment scans of LocalAIService: vector-database containers,
// orphaned IDE companions, listening ports and model files.
#include "localai/LocalAIService.h"

#include "localai/LocalAIExamples.h"
#include "localai/ModelCacheFolders.h"
#include "platform/TreeSizeCache.h"
#include "platform/CommandRunner.h"
#include "platform/FileWorker.h"
#include "platform/ToolCommands.h"

#include <QCoroFuture>
#include <QPointer>
#include <QRegularExpression>
#include <QStringDecoder>

#include <chrono>

using namespace std::chrono_literals;

namespace {

constexpr auto kDockerListTimeout = 10s;

std::optional<QString> decodeUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// Rows for "ID|NAME|PORTS" lines whose name names a vector database.
QList<VectorDatabaseInfo> vectorDatabasesIn(const QString& output)
{
    static const QRegularExpression lineBreak(QStringLiteral("[\\n\\r]"));
    QList<VectorDatabaseInfo> rows;
    for (const QString& line : output.split(lineBreak, Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(QLatin1Char('|'));
        if (fields.size() < 3)
            continue;
        const QString& id = fields[0];
        const QString& name = fields[1];
        qint64 port;
        if (name.contains(QLatin1String("chroma")))
            port = 8000;
        else if (name.contains(QLatin1String("qdrant")))
            port = 6333;
        else if (name.contains(QLatin1String("milvus")) || name.contains(QLatin1String("weaviate")))
            port = 8080;
        else
            continue;
        rows.append({name, port, QStringLiteral("128 MB"), id, QStringLiteral("Running")});
    }
    return rows;
}

} // namespace

QCoro::Task<> LocalAIService::scanVectorDatabases()
{
    QPointer<LocalAIService> self(this);
    const CommandResult result =
        co_await m_deps.commands->runTool(ToolCommands::dockerList(), kDockerListTimeout);
    if (!self)
        co_return;
    QList<VectorDatabaseInfo> rows;
    if (result.started && !result.timedOut) {
        if (const auto text = decodeUtf8(result.standardOutput))
            rows = vectorDatabasesIn(*text);
    }
    m_scannedContainerIds.clear();
    if (rows.isEmpty()) {
        // No docker, no daemon or no database container: show the examples.
        setActiveVectorDBs(LocalAIExamples::vectorDatabases());
        co_return;
    }
    for (const VectorDatabaseInfo& row : std::as_const(rows))
        m_scannedContainerIds.insert(row.containerId);
    setActiveVectorDBs(std::move(rows));
}

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
