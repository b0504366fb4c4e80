#include "platform/StaleLock.h"

#include "core/ProcStatFields.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <optional>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray executableName(const char* exeLink)
{
    char target[PATH_MAX];
    const ssize_t size = ::readlink(exeLink, target, sizeof target);
    if (size <= 0)
        return {};
    QByteArray name(target, size);
    if (name.endsWith(" (deleted)")) // upgraded while it runs
        name.chop(10);
    return name.mid(name.lastIndexOf('/') + 1);
}

// In seconds since boot, the clock of a process's start time.
double secondsSinceBoot(const timespec& wallTime)
{
    timespec wallNow{};
    timespec bootNow{};
    ::clock_gettime(CLOCK_REALTIME, &wallNow);
    ::clock_gettime(CLOCK_BOOTTIME, &bootNow);
    const auto seconds = [](const timespec& t) { return double(t.tv_sec) + double(t.tv_nsec) / 1e9; };
    return seconds(bootNow) - (seconds(wallNow) - seconds(wallTime));
}

// Whether `pid` runs this program as our user and started by `written`.
bool isRunningCopy(long long pid, const timespec& written)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%lld", pid);
    struct stat info {};
    if (::stat(path, &info) != 0 || info.st_uid != ::geteuid())
        return false;
    std::snprintf(path, sizeof path, "/proc/%lld/exe", pid);
    const QByteArray name = executableName(path);
    if (name.isEmpty() || name != executableName("/proc/self/exe"))
        return false;
    std::snprintf(path, sizeof path, "/proc/%lld/stat", pid);
    QFile stat(QFile::decodeName(path));
    if (!stat.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray line = stat.read(4096);
    const std::optional<ProcStatFields> fields = ProcStatFields::parse(line.constData(), line.size());
    if (!fields)
        return false;
    // Clock ticks and the file's time are both coarse: a second of slack.
    const double started = double(fields->startTime) / double(std::max(1L, ::sysconf(_SC_CLK_TCK)));
    return started <= secondsSinceBoot(written) + 1.0;
}

// The pid on the first line of a lock's text; nothing when there is none.
std::optional<long long> pidIn(const char* text, ssize_t size)
{
    bool isNumber = false;
    const long long pid = QByteArray(text, size).split('\n').constFirst().toLongLong(&isNumber);
    return isNumber && pid > 0 ? std::optional(pid) : std::nullopt;
}

qint64 millisecondsSince(const timespec& then)
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return (qint64(now.tv_sec) - qint64(then.tv_sec)) * 1000 + (qint64(now.tv_nsec) - qint64(then.tv_nsec)) / 1000000;
}

} // namespace

namespace StaleLock {

bool holderIsStarting(const QString& lockPath, qint64 withinMs)
{
    const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    char text[32] = {};
    const bool held = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()
                      && ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    const ssize_t size = held ? ::pread(fd, text, sizeof text - 1, 0) : -1;
    ::close(fd);
    // A time ahead of the clock (set back since) is not taken for young.
    const qint64 age = millisecondsSince(info.st_mtim);
    if (size < 0 || age < -1000 || age >= withinMs)
        return false;
    if (size == 0)
        return true; // its holder is writing it
    const std::optional<long long> pid = pidIn(text, size);
    return pid && isRunningCopy(*pid, info.st_mtim);
}

bool holderIsGone(const QString& lockPath)
{
    const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    char text[32] = {};
    const bool unheld = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()
                        && ::flock(fd, LOCK_SH | LOCK_NB) == 0;
    const ssize_t size = unheld ? ::pread(fd, text, sizeof text - 1, 0) : -1;
    ::close(fd);
    if (size < 0)
        return false;
    // The first line is the holder's pid.
    const std::optional<long long> pid = pidIn(text, size);
    return !pid || !isRunningCopy(*pid, info.st_mtim);
}

} // namespace StaleLock
