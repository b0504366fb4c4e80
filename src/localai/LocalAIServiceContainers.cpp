// The vector-database containers of LocalAIService: the scan and what the
// battery shield does to them. Every engine call takes its turn in one lane,
// so a hung engine holds up only the container rows, and the shield gives
// back exactly the containers it paused itself.
#include "localai/LocalAIService.h"

#include "localai/LocalAIExamples.h"
#include "platform/CommandRunner.h"
#include "platform/ToolCommands.h"

#include <QPointer>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>

using namespace std::chrono_literals;

namespace {

constexpr auto kDockerListTimeout = 10s;
// A pause or unpause only flips the container's freezer.
constexpr auto kDockerPauseTimeout = 10s;

std::optional<QString> decodeUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// Rows for "ID|NAME|PORTS|STATE" lines whose name names a vector database.
// A line without its state reads as running.
QList<VectorDatabaseInfo> vectorDatabasesIn(const QString& output, const QSet<QString>& shieldPaused)
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
        QString status = VectorDatabaseInfo::runningStatus();
        if (fields.value(3).trimmed() == QLatin1String("paused"))
            status = shieldPaused.contains(id) ? VectorDatabaseInfo::shieldedStatus() : VectorDatabaseInfo::pausedStatus();
        rows.append({name, port, QStringLiteral("128 MB"), id, status});
    }
    return rows;
}

} // namespace

QCoro::Task<CommandResult> LocalAIService::runEngine(ToolCommand command, std::chrono::milliseconds timeout)
{
    QPointer<LocalAIService> self(this);
    SerialGate::Awaiter entry = m_engineTurns.enter();
    const SerialGate::Turn turn = co_await entry;
    if (!self)
        co_return CommandResult{};
    co_return co_await m_deps.commands->runTool(command, timeout);
}

QCoro::Task<> LocalAIService::refreshContainers()
{
    // A scan still waiting on the engine is enough: none queues behind it.
    if (m_containerScanInFlight)
        co_return;
    m_containerScanInFlight = true;
    QPointer<LocalAIService> self(this);
    co_await scanVectorDatabases();
    if (self)
        m_containerScanInFlight = false;
}

QCoro::Task<> LocalAIService::scanVectorDatabases()
{
    QPointer<LocalAIService> self(this);
    const CommandResult result = co_await runEngine(ToolCommands::dockerList(), kDockerListTimeout);
    if (!self)
        co_return;
    QList<VectorDatabaseInfo> rows;
    if (result.started && !result.timedOut) {
        if (const auto text = decodeUtf8(result.standardOutput))
            rows = vectorDatabasesIn(*text, m_shieldPausedIds);
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

QCoro::Task<> LocalAIService::shieldContainers()
{
    if (m_containerShieldInFlight)
        co_return;
    m_containerShieldInFlight = true;
    QPointer<LocalAIService> self(this);
    // Each step is chosen afresh, as power, the switch and the rows may
    // change while the engine answers; each container once per pass.
    QSet<QString> tried;
    for (;;) {
        const bool pausing = batteryShieldActive();
        QString id;
        if (pausing && !m_demoMode) {
            // Only containers docker listed: an example row's id could
            // prefix a real container's.
            for (const VectorDatabaseInfo& row : std::as_const(m_activeVectorDBs))
                if (row.isRunning() && m_scannedContainerIds.contains(row.containerId) && !tried.contains(row.containerId)) {
                    id = row.containerId;
                    break;
                }
        } else if (!pausing) {
            QStringList ours = m_shieldPausedIds.values();
            ours.removeIf([&](const QString& paused) { return tried.contains(paused); });
            if (!ours.isEmpty())
                id = *std::min_element(ours.cbegin(), ours.cend());
        }
        if (id.isEmpty())
            break;
        tried.insert(id);
        // Counted as ours from the start, so a quit meanwhile gives it back.
        if (pausing)
            m_shieldPausedIds.insert(id);
        const ToolCommand command = pausing ? ToolCommands::dockerPause(id) : ToolCommands::dockerUnpause({id});
        const CommandResult result = co_await runEngine(command, kDockerPauseTimeout);
        if (!self)
            co_return;
        if (pausing) {
            if (result.succeeded())
                setContainerStatus(id, VectorDatabaseInfo::shieldedStatus());
            // Refused (paused by someone else meanwhile, or gone), or never
            // reached the engine: not ours. One that timed out may still
            // pause, so it stays ours to give back.
            else if (!result.timedOut)
                m_shieldPausedIds.remove(id);
        } else if (!result.timedOut) {
            // An engine that refuses (gone, or unpaused by someone else)
            // will not change its mind; a silent one is asked again.
            m_shieldPausedIds.remove(id);
            if (result.succeeded())
                setContainerStatus(id, VectorDatabaseInfo::runningStatus());
        }
    }
    m_containerShieldInFlight = false;
}

void LocalAIService::giveBackContainers()
{
    if (m_shieldPausedIds.isEmpty())
        return;
    QStringList ids = m_shieldPausedIds.values();
    std::sort(ids.begin(), ids.end());
    // Nobody waits at quit: one command for all, left to finish on its own.
    m_deps.commands->startTool(ToolCommands::dockerUnpause(ids));
    m_shieldPausedIds.clear();
}

void LocalAIService::setContainerStatus(const QString& containerId, const QString& status)
{
    QList<VectorDatabaseInfo> rows = m_activeVectorDBs;
    for (VectorDatabaseInfo& row : rows)
        if (row.containerId == containerId && m_scannedContainerIds.contains(containerId))
            row.status = status;
    setActiveVectorDBs(std::move(rows));
}
