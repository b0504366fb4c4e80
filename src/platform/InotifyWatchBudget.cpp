#include "platform/InotifyWatchBudget.h"

#include "platform/SysfsValueFile.h"

#include <algorithm>
#include <optional>

InotifyWatchBudget& InotifyWatchBudget::shared()
{
    static InotifyWatchBudget budget(shareOf(QStringLiteral("/proc")));
    return budget;
}

namespace {

std::optional<qint64> positiveNumberIn(const QString& path)
{
    const std::optional<QByteArray> text = SysfsValueFile::readOnce(path);
    const std::optional<qint64> value = text ? SysfsValueFile::parseInteger(*text) : std::nullopt;
    return value && *value > 0 ? value : std::nullopt;
}

} // namespace

// The account's limit is fs.inotify.max_user_watches; inside a user
// namespace (a container) that namespace's own limit may be lower, and
// both apply.
int InotifyWatchBudget::shareOf(const QString& procRoot)
{
    const std::optional<qint64> system = positiveNumberIn(procRoot + QStringLiteral("/sys/fs/inotify/max_user_watches"));
    const std::optional<qint64> ownNamespace = positiveNumberIn(procRoot + QStringLiteral("/sys/user/max_inotify_watches"));
    qint64 account = kAssumedAccountLimit;
    if (system || ownNamespace)
        account = std::min(system.value_or(ownNamespace.value_or(0)), ownNamespace.value_or(system.value_or(0)));
    return int(std::min<qint64>(account / kShareDivisor, kMaxWatches));
}

bool InotifyWatchBudget::take()
{
    int held = m_held.load(std::memory_order_relaxed);
    do {
        if (held >= m_limit)
            return false;
    } while (!m_held.compare_exchange_weak(held, held + 1, std::memory_order_relaxed));
    return true;
}
