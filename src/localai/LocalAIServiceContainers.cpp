// The vector-database containers of LocalAIService: the scan and what the
// battery shield does to them. Every engine call takes its turn in one lane,
// so a hung engine holds up only the container rows, and the shield gives
// back exactly the containers it paused itself. Only a container that is gone
// stops being ours; an engine that is down or silent is asked again.
#include "localai/LocalAIService.h"

#include "core/Print.h"
#include "localai/LocalAIExamples.h"
#include "platform/CommandRunner.h"
#include "platform/HoldRecord.h"
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
// Quit waits this long for the engine to give the containers back: a stopped
// engine answers at once, a hung one costs no more than this.
constexpr auto kQuitUnpauseWait = 1500ms;

// What the engine made of a pause or unpause, from the client's exit and the
// texts the client and the daemon give.
enum class EngineAnswer {
    done,
    gone,          // "No such container"
    alreadyPaused,
    notPaused,     // running, or no longer running at all
    refused,       // any other refusal of the daemon's
    unreached,     // no client, or no engine to talk to: nothing was sent
    unknown,       // timed out or the client died: it may still land
};

EngineAnswer engineAnswer(const CommandResult& result)
{
    if (result.succeeded())
        return EngineAnswer::done;
    if (!result.started)
        return EngineAnswer::unreached;
    if (result.timedOut || result.exitCode < 0)
        return EngineAnswer::unknown;
    const QByteArray& said = result.standardError;
    if (said.contains("No such container"))
        return EngineAnswer::gone;
    if (said.contains("Cannot connect to the Docker daemon"))
        return EngineAnswer::unreached;
    if (said.contains("is already paused"))
        return EngineAnswer::alreadyPaused;
    if (said.contains("is not paused"))
        return EngineAnswer::notPaused;
    if (said.contains("Error response from daemon"))
        return EngineAnswer::refused;
    return EngineAnswer::unknown;
}

// Why a call failed, on one bounded line: the client's first line, else ours.
QString failureReason(const CommandResult& result)
{
    const QString said = QString::fromUtf8(result.standardError.left(512)).section(QLatin1Char('\n'), 0, 0).simplified();
    if (!said.isEmpty())
        return said.left(160);
    return result.errorString.isEmpty() ? QStringLiteral("exit status %1").arg(result.exitCode) : result.errorString;
}

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
            ours.removeIf([&](const QString& paused) { return tried.contains(paused) || awaitsLatePause(paused); });
            if (!ours.isEmpty())
                id = *std::min_element(ours.cbegin(), ours.cend());
        }
        if (id.isEmpty())
            break;
        tried.insert(id);
        // Counted as ours from the start, so a quit meanwhile gives it back.
        const bool wasOurs = m_shieldPausedIds.contains(id);
        if (pausing && !wasOurs)
            notePausedContainer(id);
        const ToolCommand command = pausing ? ToolCommands::dockerPause(id) : ToolCommands::dockerUnpause({id});
        const CommandResult result = co_await runEngine(command, kDockerPauseTimeout);
        if (!self)
            co_return;
        const EngineAnswer answer = engineAnswer(result);
        if (pausing) {
            // A list taken just before an earlier pause of ours landed still
            // read it as running: paused already, it is still ours.
            if (answer == EngineAnswer::done || (answer == EngineAnswer::alreadyPaused && wasOurs))
                setContainerStatus(id, VectorDatabaseInfo::shieldedStatus());
            // Refused or never sent (paused by someone else meanwhile, not
            // running): not ours unless it was. One that timed out may still
            // pause, so it stays ours to give back.
            else if (answer == EngineAnswer::gone || (answer != EngineAnswer::unknown && !wasOurs))
                forgetPausedContainer(id);
        } else if (answer == EngineAnswer::notPaused && deadRunsPauseMayLand(id)) {
            // Its dead run's pause may be on its way yet.
            m_adopted[id].foundRunning = true;
        } else if (answer == EngineAnswer::done || answer == EngineAnswer::gone || answer == EngineAnswer::notPaused) {
            // Given back, gone, or running again by someone else's hand.
            forgetPausedContainer(id);
            if (answer == EngineAnswer::done)
                setContainerStatus(id, VectorDatabaseInfo::runningStatus());
        }
        const bool failed = answer == EngineAnswer::refused || answer == EngineAnswer::unreached
                         || answer == EngineAnswer::unknown;
        // Each change of failure is told once, not every pass.
        const QString failure = failed ? QStringLiteral("Battery shield could not %1 container %2: %3")
                                             .arg(command.arguments.first(), id, failureReason(result))
                                       : QString();
        if (!failure.isEmpty() && failure != m_shieldFailure)
            kestrova::print(failure);
        m_shieldFailure = failure;
        // An engine that is down or silent would fail the others the same
        // way; the next pass asks again.
        if (answer == EngineAnswer::unreached || answer == EngineAnswer::unknown)
            break;
    }
    m_containerShieldInFlight = false;
}

void LocalAIService::giveBackContainers()
{
    if (m_shieldPausedIds.isEmpty())
        return;
    QStringList ids = m_shieldPausedIds.values();
    std::sort(ids.begin(), ids.end());
    m_shieldPausedIds.clear();
    // One command for all, waited for briefly, so that what is left paused
    // is said: nobody is there to ask again in this run. It stays noted
    // down, for the next launch to give back.
    const CommandResult result = m_deps.commands->runToolBlocking(ToolCommands::dockerUnpause(ids), kQuitUnpauseWait);
    if (result.succeeded()) {
        for (const QString& id : std::as_const(ids))
            if (m_deps.holds)
                m_deps.holds->releaseContainer(id);
        return;
    }
    // The client names each container it gave back on its own line, and
    // each refusal on one line of its error output.
    const QList<QByteArray> given = result.standardOutput.split('\n');
    const QList<QByteArray> refusals = result.standardError.split('\n');
    QStringList left;
    for (const QString& id : std::as_const(ids)) {
        const QByteArray key = id.toUtf8();
        const auto refused = [&](const char* why) {
            return std::any_of(refusals.cbegin(), refusals.cend(),
                               [&](const QByteArray& line) { return line.contains(key) && line.contains(why); });
        };
        const bool notPaused = refused("is not paused");
        const bool over = std::any_of(given.cbegin(), given.cend(), [&](const QByteArray& line) { return line.trimmed() == key; })
                       || refused("No such container") || notPaused;
        // A dead run's pause that may still land is left to the next launch.
        if (notPaused && deadRunsPauseMayLand(id))
            continue;
        if (!over)
            left.append(id);
        else if (m_deps.holds)
            m_deps.holds->releaseContainer(id);
    }
    if (!left.isEmpty())
        kestrova::print(QStringLiteral("Battery shield could not unpause containers %1; run: docker unpause %2")
                            .arg(left.join(QStringLiteral(", ")), left.join(QLatin1Char(' '))));
}

void LocalAIService::adoptShieldPausedContainers(const QStringList& ids)
{
    for (const QString& id : ids) {
        if (m_shieldPausedIds.contains(id))
            continue;
        notePausedContainer(id);
        m_adopted.insert(id, {QDeadlineTimer(kDockerPauseTimeout), false});
    }
}

bool LocalAIService::deadRunsPauseMayLand(const QString& id) const
{
    const auto adopted = m_adopted.constFind(id);
    return adopted != m_adopted.cend() && !adopted->pauseMayLand.hasExpired();
}

bool LocalAIService::awaitsLatePause(const QString& id) const
{
    if (!deadRunsPauseMayLand(id) || !m_adopted.value(id).foundRunning)
        return false;
    return std::none_of(m_activeVectorDBs.cbegin(), m_activeVectorDBs.cend(), [&](const VectorDatabaseInfo& row) {
        return row.containerId == id && m_scannedContainerIds.contains(id) && row.status == VectorDatabaseInfo::shieldedStatus();
    });
}

// Noted down before the pause is asked for, and kept until the container is
// given back or gone.
void LocalAIService::notePausedContainer(const QString& id)
{
    if (m_deps.holds)
        m_deps.holds->holdContainer(id);
    m_shieldPausedIds.insert(id);
}

void LocalAIService::forgetPausedContainer(const QString& id)
{
    m_adopted.remove(id);
    if (m_shieldPausedIds.remove(id) && m_deps.holds)
        m_deps.holds->releaseContainer(id);
}

void LocalAIService::setContainerStatus(const QString& containerId, const QString& status)
{
    QList<VectorDatabaseInfo> rows = m_activeVectorDBs;
    for (VectorDatabaseInfo& row : rows)
        if (row.containerId == containerId && m_scannedContainerIds.contains(containerId))
            row.status = status;
    setActiveVectorDBs(std::move(rows));
}
