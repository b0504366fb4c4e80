#include "platform/ProcessStartTime.h"

#include <QFile>

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

std::optional<quint64> parseStartTimeFromStat(const char* data, qsizetype size)
{
    const char* end = data + size;
    const char* close = nullptr;
    for (const char* p = data; p < end; ++p)
        if (*p == ')')
            close = p;
    if (!close)
        return std::nullopt;
    // After ") " come: state(3) ppid(4) ... starttime(22). Count fields.
    int field = 2;
    const char* p = close + 1;
    while (p < end) {
        while (p < end && *p == ' ')
            ++p;
        if (p >= end)
            break;
        ++field;
        if (field == 22) {
            quint64 value = 0;
            bool any = false;
            while (p < end && *p >= '0' && *p <= '9') {
                value = value * 10 + quint64(*p - '0');
                ++p;
                any = true;
            }
            return any ? std::optional<quint64>(value) : std::nullopt;
        }
        while (p < end && *p != ' ')
            ++p;
    }
    return std::nullopt;
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
