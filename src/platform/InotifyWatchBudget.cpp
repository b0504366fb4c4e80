#include "platform/InotifyWatchBudget.h"

#include "platform/SysfsValueFile.h"

#include <algorithm>

InotifyWatchBudget& InotifyWatchBudget::shared()
{
    static InotifyWatchBudget budget(shareOf(QStringLiteral("/proc")));
    return budget;
}

int InotifyWatchBudget::shareOf(const QString& procRoot)
{
    const QString path = procRoot + QStringLiteral("/sys/fs/inotify/max_user_watches");
    const std::optional<QByteArray> text = SysfsValueFile::readOnce(path);
    const std::optional<qint64> limit = text ? SysfsValueFile::parseInteger(*text) : std::nullopt;
    const qint64 account = limit && *limit > 0 ? *limit : kAssumedAccountLimit;
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
