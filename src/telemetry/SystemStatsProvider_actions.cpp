#include "telemetry/SystemStatsProvider.h"
#include "telemetry/SystemStatsProvider_readers.h"

#include "core/Clock.h"
#include "core/SettingsFile.h"
#include "core/Print.h"
#include "core/Random.h"
#include "core/Scheduler.h"
#include "platform/FileWorker.h"
#include "platform/ProcessSignaller.h"
#include "platform/SafeDelete.h"
#include "telemetry/HistoryCsv.h"

#include <QCoroFuture>
#include <QDir>
#include <QPointer>
#include <QRegularExpression>

#include <cmath>
#include <csignal>

using namespace std::chrono_literals;

namespace {

// "+42" and "-5" parse; " 42", "4 2", "" and out-of-range values do not.
std::optional<qint32> parsePid(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^[+-]?[0-9]+$"));
    if (!pattern.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint32 value = text.toInt(&ok, 10);
    return ok ? std::optional<qint32>(value) : std::nullopt;
}

// Only the cache folder of a sane home, through no linked folder, and a
// link in its place is removed rather than followed. A folder that was
// there is created again empty. What could not go is said in one line.
QFuture<bool> removeHuggingFaceCache(const QString& home, const QString& folder)
{
    return FileWorker::shared().run([home, folder] {
        if (!SafeDelete::isSaneHome(home))
            return false;
        DeletionLeftovers left;
        const auto outcome = SafeDelete::removeInside(home, folder, &left);
        if (left.any())
            kestrova::print(left.printedLine());
        if (outcome == SafeDelete::Outcome::removed || outcome == SafeDelete::Outcome::failed)
            QDir().mkpath(folder);
        return outcome == SafeDelete::Outcome::removed || outcome == SafeDelete::Outcome::missing;
    });
}

} // namespace

QCoro::Task<> SystemStatsProvider::killConnectionProcess(QString pidText)
{
    const auto pid = parsePid(pidText);
    if (!pid || *pid < 1)
        co_return;
    const auto failed = [&](const QString& why) {
        kestrova::print(QStringLiteral("Failed to kill connection PID %1: %2").arg(*pid).arg(why));
    };
    if (ProcessSignaller::isForbiddenPid(*pid)) {
        failed(QStringLiteral("refusing to kill a critical system process or Kestrova itself"));
        co_return;
    }
    const auto listed = m_readers->connections.listed(*pid);
    if (!listed) {
        failed(QStringLiteral("not in the current connection list"));
        co_return;
    }
    int error = 0;
    switch (m_deps.signaller->send(*pid, SIGKILL, listed->startTime, &error)) {
    case SignalOutcome::sent:
    case SignalOutcome::noSuchProcess: // already gone: the list shows it
        break;
    case SignalOutcome::refused:
        failed(QStringLiteral("refused"));
        co_return;
    case SignalOutcome::failed: {
        // Said once per process: clicking its row again adds nothing.
        const auto said = m_killRefusalsSaid.constFind(*pid);
        if (said == m_killRefusalsSaid.cend() || *said != listed->startTime) {
            kestrova::print(QStringLiteral("Failed to kill connection PID %1 (%2): %3")
                                .arg(QString::number(*pid), listed->name, qt_error_string(error)));
            m_killRefusalsSaid.insert(*pid, listed->startTime);
        }
        break;
    }
    }
    updateConnections();
    // A refusal is forgotten with the process's last listed connection.
    m_killRefusalsSaid.removeIf([this](QHash<qint32, quint64>::iterator said) {
        const auto listed = m_readers->connections.listed(said.key());
        return !listed || listed->startTime != said.value();
    });
}

std::optional<QString> SystemStatsProvider::exportHistoryToCSV()
{
    const QDateTime now = m_deps.clock->now();
    const QString path = QDir(m_deps.paths.temp).filePath(HistoryCsv::fileName(now));
    // Every write checked: a full disk never yields an empty file reported as saved.
    const QString failure = SettingsFile::writeWhole(path, HistoryCsv::content(m_cpuHistory, now),
                                                     SettingsFile::Durability::inMemory);
    if (!failure.isEmpty()) {
        kestrova::print(QStringLiteral("Failed to write CSV: ") + failure);
        return std::nullopt;
    }
    return path;
}

QCoro::Task<bool> SystemStatsProvider::purgeHuggingFaceCache()
{
    QPointer<SystemStatsProvider> self(this);
    co_await m_deps.scheduler->sleepFor(2500ms);
    if (!self)
        co_return false;
    // The removal runs on the file worker. The future is a named local:
    // GCC 12 miscompiles co_await on a temporary built from a capturing lambda.
    QFuture<bool> removal = removeHuggingFaceCache(m_deps.paths.home, huggingFaceCacheFolder());
    const bool gone = co_await removal;
    if (!self)
        co_return false;
    addToCleanedJunkTotal(m_huggingFaceCacheSizeInGB);
    setHuggingFaceCacheSizeInGB(0);
    updateDisk();
    co_return gone;
}

QCoro::Task<> SystemStatsProvider::optimizeMemory()
{
    QPointer<SystemStatsProvider> self(this);
    co_await m_deps.scheduler->sleepFor(1500ms);
    if (!self)
        co_return;
    setOptimizedMemoryReleased(m_deps.random->uniform(1.5, 3.2));
    updateMemory();
}

QCoro::Task<> SystemStatsProvider::cleanJunkFiles(double amountInGB)
{
    QPointer<SystemStatsProvider> self(this);
    co_await m_deps.scheduler->sleepFor(2000ms);
    if (!self)
        co_return;
    // A non-finite amount would poison every disk figure after it.
    if (std::isfinite(amountInGB))
        addToCleanedJunkTotal(amountInGB);
    updateDisk();
}
