#include "platform/ProcessTable.h"

#include "core/Print.h"
#include "core/ProcStatFields.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <unistd.h>

namespace {

// A command line longer than this (a huge Java class path, say) is cut; the
// head, which names the program, is what callers match on.
constexpr qsizetype maxCommandLine = 64 * 1024;

qint32 parsePid(const char* text)
{
    if (*text < '1' || *text > '9')
        return 0;
    qint64 value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9')
            return 0;
        value = value * 10 + (*p - '0');
        if (value > std::numeric_limits<qint32>::max())
            return 0;
    }
    return qint32(value);
}

// "12345.67 98765.43": seconds since boot, parsed by hand because strtod
// follows the process locale and would stop at the dot under a comma locale.
std::optional<double> parseUptime(const char* data, qsizetype size)
{
    const char* p = data;
    const char* end = data + size;
    double seconds = 0.0;
    bool any = false;
    for (; p < end && *p >= '0' && *p <= '9'; ++p, any = true)
        seconds = seconds * 10.0 + (*p - '0');
    if (p < end && *p == '.') {
        double scale = 0.1;
        for (++p; p < end && *p >= '0' && *p <= '9'; ++p, scale /= 10.0, any = true)
            seconds += (*p - '0') * scale;
    }
    return any ? std::optional<double>(seconds) : std::nullopt;
}

// Not a sign that the file is gone: the process or the system has no
// descriptor left to open it with.
bool outOfDescriptors(int error)
{
    return error == EMFILE || error == ENFILE;
}

// Empty when unreadable; `starved` tells whether for lack of descriptors.
QByteArray readSmallFile(int dirFd, const char* path, qsizetype limit, bool& starved)
{
    QByteArray data;
    const int fd = ::openat(dirFd, path, O_RDONLY | O_CLOEXEC);
    starved = fd < 0 && outOfDescriptors(errno);
    if (fd < 0)
        return data;
    char chunk[4096];
    while (data.size() < limit) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0)
            break;
        data.append(chunk, std::min<qsizetype>(n, limit - data.size()));
    }
    ::close(fd);
    return data;
}

QStringList splitCommandLine(QByteArray raw)
{
    QStringList arguments;
    if (raw.isEmpty())
        return arguments;
    if (raw.endsWith('\0'))
        raw.chop(1);
    qsizetype start = 0;
    while (true) {
        const qsizetype nul = raw.indexOf('\0', start);
        const qsizetype stop = nul < 0 ? raw.size() : nul;
        arguments.append(QString::fromUtf8(raw.constData() + start, stop - start));
        if (nul < 0)
            break;
        start = nul + 1;
    }
    return arguments;
}

} // namespace

ProcessTable::ProcessTable(QString procRoot, int descriptorBudget, DescriptorBudget* shared)
    : m_procRoot(std::move(procRoot)), m_budget(std::max(0, descriptorBudget)), m_shared(shared),
      m_ticksPerSecond(std::max(1L, ::sysconf(_SC_CLK_TCK)))
{
}

ProcessTable::~ProcessTable()
{
    for (Tracked& tracked : m_tracked)
        closeDescriptor(tracked);
    if (m_uptimeFd >= 0)
        ::close(m_uptimeFd);
    if (m_listing)
        ::closedir(m_listing);
    if (m_rootFd >= 0)
        ::close(m_rootFd);
}

int ProcessTable::defaultDescriptorBudget()
{
    return DescriptorBudget::process().capacity();
}

bool ProcessTable::openRoot()
{
    if (m_rootFd >= 0)
        return true;
    m_rootFd = ::open(QFile::encodeName(m_procRoot).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_rootFd < 0) {
        m_error = m_procRoot + QStringLiteral(": ") + qt_error_string(errno);
        return false;
    }
    return true;
}

bool ProcessTable::readUptime(double& seconds)
{
    if (m_uptimeFd < 0)
        m_uptimeFd = ::openat(m_rootFd, "uptime", O_RDONLY | O_CLOEXEC);
    char buffer[128];
    const ssize_t n = m_uptimeFd >= 0 ? ::pread(m_uptimeFd, buffer, sizeof buffer, 0) : -1;
    const auto parsed = n > 0 ? parseUptime(buffer, n) : std::nullopt;
    if (!parsed) {
        m_error = m_procRoot + QStringLiteral("/uptime: ")
                  + (n < 0 ? qt_error_string(errno) : QStringLiteral("unreadable"));
        return false;
    }
    seconds = *parsed;
    return true;
}

void ProcessTable::closeDescriptor(Tracked& tracked)
{
    if (tracked.fd < 0)
        return;
    ::close(tracked.fd);
    tracked.fd = -1;
    --m_kept;
    m_shared->give();
}

void ProcessTable::noteStarved(bool starved)
{
    if (starved && !m_starved)
        kestrova::print(QStringLiteral("⚠️ Too many open files: processes that cannot be read keep their last figures"));
    m_starved = starved;
}

// False when the command line could not be opened for lack of descriptors:
// read again at the next refresh.
bool ProcessTable::readFixedData(qint32 pid, Tracked& tracked) const
{
    char path[64];
    std::snprintf(path, sizeof path, "%d/cmdline", pid);
    bool starved = false;
    tracked.arguments = splitCommandLine(readSmallFile(m_rootFd, path, maxCommandLine, starved));

    std::snprintf(path, sizeof path, "%d/exe", pid);
    char target[4096];
    const ssize_t n = ::readlinkat(m_rootFd, path, target, sizeof target);
    if (n > 0 && n < qsizetype(sizeof target)) {
        QByteArray exe(target, n);
        // The kernel marks a replaced binary (after an upgrade) this way;
        // the path is still the program's.
        static const QByteArray deleted(" (deleted)");
        if (exe.endsWith(deleted))
            exe.chop(deleted.size());
        tracked.commandPath = QString::fromUtf8(exe);
    } else if (!tracked.arguments.isEmpty() && tracked.arguments.first().startsWith(QLatin1Char('/'))) {
        tracked.commandPath = tracked.arguments.first();
    } else {
        tracked.commandPath = tracked.name;
    }
    return !starved;
}

bool ProcessTable::refresh()
{
    if (!openRoot())
        return false;
    double uptime = 0.0;
    if (!readUptime(uptime))
        return false;
    if (!m_listing) {
        const int listFd = ::openat(m_rootFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        m_listing = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
        if (!m_listing) {
            m_error = m_procRoot + QStringLiteral(": ") + qt_error_string(errno);
            if (listFd >= 0)
                ::close(listFd);
            return false;
        }
    } else {
        ::rewinddir(m_listing); // lists the folder as it is now
    }
    bool starved = false;

    ++m_generation;
    const double hz = double(m_ticksPerSecond);
    QList<ProcessEntry> entries;
    entries.reserve(m_entries.size() + 16);
    char buffer[1024];
    char path[64];
    while (const dirent* item = ::readdir(m_listing)) {
        const qint32 pid = parsePid(item->d_name);
        if (pid <= 0)
            continue;
        auto it = m_tracked.find(pid);
        ssize_t n = -1;
        bool gone = false;
        if (it != m_tracked.end() && it->fd >= 0) {
            n = ::pread(it->fd, buffer, sizeof buffer - 1, 0);
            gone = n <= 0;
            if (gone)
                closeDescriptor(*it); // that process is gone; the pid is someone else's now
        }
        int freshFd = -1;
        if (n <= 0) {
            std::snprintf(path, sizeof path, "%d/stat", pid);
            freshFd = ::openat(m_rootFd, path, O_RDONLY | O_CLOEXEC);
            if (freshFd < 0 && outOfDescriptors(errno)) {
                starved = true;
                if (!gone && it != m_tracked.end() && it->generation == m_generation - 1) {
                    it->generation = m_generation;
                    entries.append(ProcessEntry{pid, it->parentPid, it->startTime, it->state, it->name, it->commandPath,
                                                it->arguments, it->cpuTicks, it->cpuPercent});
                }
                continue;
            }
            if (freshFd < 0)
                continue; // exited while we listed
            n = ::pread(freshFd, buffer, sizeof buffer - 1, 0);
        }
        const auto stat = n > 0 ? ProcStatFields::parse(buffer, n) : std::nullopt;
        if (!stat) {
            if (freshFd >= 0)
                ::close(freshFd);
            continue;
        }
        if (it == m_tracked.end())
            it = m_tracked.insert(pid, Tracked{});
        Tracked& tracked = *it;
        if (freshFd >= 0) {
            if (m_kept < m_budget && m_shared->take()) {
                tracked.fd = freshFd;
                ++m_kept;
            } else {
                ::close(freshFd);
            }
        }

        const bool newProcess = tracked.generation == 0 || tracked.startTime != stat->startTime;
        const bool renamed = tracked.rawName.size() != stat->nameSize
                             || std::memcmp(tracked.rawName.constData(), stat->name, size_t(stat->nameSize)) != 0;
        if (renamed) {
            tracked.rawName = QByteArray(stat->name, stat->nameSize);
            tracked.name = QString::fromUtf8(tracked.rawName);
        }
        if (newProcess) {
            const double lifetime = uptime - double(stat->startTime) / hz;
            tracked.cpuPercent = lifetime > 0.0 ? double(stat->cpuTicks) / hz / lifetime * 100.0 : 0.0;
        } else if (const double interval = uptime - tracked.sampledAt; interval > 0.0) {
            const quint64 used = stat->cpuTicks > tracked.cpuTicks ? stat->cpuTicks - tracked.cpuTicks : 0;
            tracked.cpuPercent = double(used) / hz / interval * 100.0;
        }
        // An exec keeps the pid and start time but changes the program, and
        // the kernel then renames the process: read the fixed data again.
        if (newProcess || renamed || !tracked.fixedDataRead) {
            tracked.fixedDataRead = readFixedData(pid, tracked);
            starved = starved || !tracked.fixedDataRead;
        }
        tracked.parentPid = stat->parentPid;
        tracked.state = stat->state;
        tracked.startTime = stat->startTime;
        tracked.cpuTicks = stat->cpuTicks;
        tracked.sampledAt = uptime;
        tracked.generation = m_generation;

        entries.append(ProcessEntry{pid, stat->parentPid, stat->startTime, stat->state, tracked.name,
                                    tracked.commandPath, tracked.arguments, stat->cpuTicks, tracked.cpuPercent});
    }
    noteStarved(starved);

    for (auto it = m_tracked.begin(); it != m_tracked.end();) {
        if (it->generation != m_generation) {
            closeDescriptor(*it);
            it = m_tracked.erase(it);
        } else {
            ++it;
        }
    }
    const auto byPid = [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; };
    if (!std::is_sorted(entries.cbegin(), entries.cend(), byPid))
        std::sort(entries.begin(), entries.end(), byPid);
    m_entries = std::move(entries);
    m_error.clear();
    return true;
}
