#include "platform/LeftoverHolds.h"

#include "core/ProcStatReading.h"
#include "platform/ProcessSignaller.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isOurFolder(int fd)
{
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()
           && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// The whole text of `name` inside the folder, when it is a regular file of
// ours (never through a link, never a blocking open) within the cap.
std::optional<QByteArray> readRecord(int folder, const char* name)
{
    const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    std::optional<QByteArray> text;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && info.st_size <= HoldRecord::kMaxBytes) {
        QByteArray bytes(HoldRecord::kMaxBytes + 1, Qt::Uninitialized);
        qsizetype got = 0;
        for (;;) {
            const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                got = -1;
                break;
            }
            if (n == 0 || (got += n) == bytes.size())
                break;
        }
        if (got >= 0 && got <= HoldRecord::kMaxBytes) {
            bytes.truncate(got);
            text = std::move(bytes);
        }
    }
    ::close(fd);
    return text;
}

} // namespace

QList<LeftoverHolds::Record> LeftoverHolds::findIn(const QString& folder, const QString& procRoot)
{
    QList<Record> records;
    if (folder.isEmpty())
        return records;
    const int dirFd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dirFd < 0)
        return records;
    if (!isOurFolder(dirFd)) {
        ::close(dirFd);
        return records;
    }
    // fdopendir takes the descriptor over; names are read first, then looked at.
    DIR* dir = ::fdopendir(::dup(dirFd));
    QStringList names;
    if (dir) {
        while (const dirent* entry = ::readdir(dir)) {
            const QString name = QFile::decodeName(entry->d_name);
            if (name.startsWith(QLatin1String(HoldRecord::kFilePrefix)) || name.startsWith(QLatin1Char('.') + QLatin1String(HoldRecord::kFilePrefix)))
                names.append(name);
            // A folder is not searched without end: the records are few.
            if (names.size() > 1024)
                break;
        }
        ::closedir(dir);
    }
    names.sort();
    for (const QString& name : std::as_const(names)) {
        const QByteArray encoded = QFile::encodeName(name);
        if (name.startsWith(QLatin1Char('.'))) {
            // A staging file of a run killed while writing its record.
            QString recordName = name.mid(1);
            if (!recordName.endsWith(QLatin1String(".new")))
                continue;
            recordName.chop(4);
            const auto run = HoldRecord::runNamedBy(recordName);
            struct stat info {};
            if (run && run->isGone(procRoot) && ::fstatat(dirFd, encoded.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0
                && S_ISREG(info.st_mode) && info.st_uid == ::geteuid())
                ::unlinkat(dirFd, encoded.constData(), 0);
            continue;
        }
        const auto run = HoldRecord::runNamedBy(name);
        if (!run || !run->isGone(procRoot))
            continue;
        const std::optional<QByteArray> text = readRecord(dirFd, encoded.constData());
        if (!text)
            continue;
        const auto contents = HoldRecord::decode(*text);
        if (!contents)
            continue;
        records.append({folder + QLatin1Char('/') + name, *run, *contents});
    }
    ::close(dirFd);
    return records;
}

LeftoverHolds::Resumed LeftoverHolds::resume(const QList<ProcessRun>& processes, ProcessSignaller& signaller,
                                             const QString& procRoot)
{
    Resumed resumed;
    for (const ProcessRun& process : processes) {
        if (ProcessSignaller::isForbiddenPid(process.pid))
            continue;
        const ProcStatReading reading = ProcStatReading::of(process.pid, procRoot);
        // Another process under the pid, or one running again: not ours.
        if (reading.presence != ProcStatReading::Presence::present || reading.startTime != process.startTime
            || reading.state != 'T')
            continue;
        int error = 0;
        switch (signaller.send(process.pid, SIGCONT, process.startTime, &error)) {
        case SignalOutcome::sent:
            resumed.pids.append(process.pid);
            break;
        case SignalOutcome::failed:
            resumed.refusals.append(QStringLiteral("%1: %2").arg(process.pid).arg(qt_error_string(error)));
            break;
        case SignalOutcome::refused:
        case SignalOutcome::noSuchProcess:
            break;
        }
    }
    return resumed;
}
