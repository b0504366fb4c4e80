#include "platform/ProcessStartTime.h"

#include "platform/ProcStatFields.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

std::optional<quint64> parseStartTimeFromStat(const char* data, qsizetype size)
{
    const auto fields = ProcStatFields::parse(data, size);
    return fields ? std::optional<quint64>(fields->startTime) : std::nullopt;
}

std::optional<quint64> readProcessStartTime(qint32 pid, const QString& procRoot)
{
    if (pid <= 0)
        return std::nullopt;
    const QByteArray path = QFile::encodeName(procRoot + QLatin1Char('/') + QString::number(pid) + QStringLiteral("/stat"));
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    char buffer[1024];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (n <= 0)
        return std::nullopt;
    return parseStartTimeFromStat(buffer, n);
}
