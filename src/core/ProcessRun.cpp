#include "core/ProcessRun.h"

#include "core/ProcStatReading.h"

#include <limits>

#include <unistd.h>

namespace {

// Digits with no leading zero, up to `max`.
std::optional<quint64> plainNumber(QStringView digits, quint64 max)
{
    if (digits.isEmpty() || digits.size() > 20 || digits.front() == u'0')
        return std::nullopt;
    quint64 value = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const quint64 digit = quint64(c.unicode() - u'0');
        if (value > (max - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

} // namespace

std::optional<ProcessRun> ProcessRun::self()
{
    const qint32 pid = qint32(::getpid());
    const ProcStatReading reading = ProcStatReading::of(pid);
    if (reading.presence != ProcStatReading::Presence::present || reading.startTime == 0)
        return std::nullopt;
    return ProcessRun{pid, reading.startTime};
}

QString ProcessRun::text() const
{
    return QString::number(pid) + QLatin1Char('-') + QString::number(startTime);
}

std::optional<ProcessRun> ProcessRun::fromText(QStringView text)
{
    const qsizetype dash = text.indexOf(u'-');
    if (dash < 0)
        return std::nullopt;
    const auto pid = plainNumber(text.left(dash), quint64(std::numeric_limits<qint32>::max()));
    const auto start = plainNumber(text.mid(dash + 1), std::numeric_limits<quint64>::max());
    if (!pid || !start)
        return std::nullopt;
    return ProcessRun{qint32(*pid), *start};
}

bool ProcessRun::isGone(const QString& procRoot) const
{
    if (pid == qint32(::getpid()))
        return false;
    const ProcStatReading reading = ProcStatReading::of(pid, procRoot);
    return reading.presence == ProcStatReading::Presence::gone
           || (reading.presence == ProcStatReading::Presence::present && reading.startTime != startTime);
}
