#include "core/ProcessStartTime.h"

#include "core/ProcStatFields.h"
#include "core/ProcStatReading.h"

std::optional<quint64> parseStartTimeFromStat(const char* data, qsizetype size)
{
    const auto fields = ProcStatFields::parse(data, size);
    return fields ? std::optional<quint64>(fields->startTime) : std::nullopt;
}

std::optional<quint64> readProcessStartTime(qint32 pid, const QString& procRoot)
{
    const ProcStatReading reading = ProcStatReading::of(pid, procRoot);
    return reading.presence == ProcStatReading::Presence::present ? std::optional<quint64>(reading.startTime) : std::nullopt;
}
