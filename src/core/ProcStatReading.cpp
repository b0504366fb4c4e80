#include "core/ProcStatReading.h"

#include "core/ProcStatFields.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

ProcStatReading ProcStatReading::of(qint32 pid, const QString& procRoot)
{
    ProcStatReading reading;
    if (pid <= 0)
        return reading;
    const QByteArray path = QFile::encodeName(procRoot + QLatin1Char('/') + QString::number(pid) + QStringLiteral("/stat"));
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ESRCH)
            reading.presence = Presence::gone;
        return reading;
    }
    char buffer[1024];
    ssize_t n;
    do
        n = ::read(fd, buffer, sizeof buffer);
    while (n < 0 && errno == EINTR);
    const int readError = n < 0 ? errno : 0;
    ::close(fd);
    if (n < 0) {
        if (readError == ESRCH)
            reading.presence = Presence::gone;
        return reading;
    }
    if (const auto fields = ProcStatFields::parse(buffer, n)) {
        reading.presence = Presence::present;
        reading.state = fields->state;
        reading.startTime = fields->startTime;
    }
    return reading;
}
