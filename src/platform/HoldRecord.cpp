#include "platform/HoldRecord.h"

#include "core/Print.h"
#include "core/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isContainerId(const QString& id)
{
    // As the engine names containers: never an option to its client.
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9_.-]{0,127}$"));
    return pattern.match(id).hasMatch();
}

// The folder, made if missing, is a real folder of our user that nobody else
// may write: in the shared temp folder another user could have made it first.
bool folderIsOurs(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()
           && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool writeAll(int fd, const QByteArray& text)
{
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + done, size_t(text.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

HoldRecord::HoldRecord(QStringList folders, std::optional<ProcessRun> run) : m_folders(std::move(folders)), m_run(run) {}

HoldRecord& HoldRecord::shared()
{
    static HoldRecord record(folders(), ProcessRun::self());
    return record;
}

QStringList HoldRecord::folders()
{
    QStringList found;
    if (const QString runtime = SettingsStore::runtimeFolder(); !runtime.isEmpty())
        found.append(runtime);
    found.append(QDir::tempPath() + QStringLiteral("/kestrova-%1").arg(::getuid()));
    return found;
}

QString HoldRecord::fileName(const ProcessRun& run)
{
    return QLatin1String(kFilePrefix) + run.text();
}

std::optional<ProcessRun> HoldRecord::runNamedBy(const QString& fileName)
{
    if (!fileName.startsWith(QLatin1String(kFilePrefix)))
        return std::nullopt;
    return ProcessRun::fromText(QStringView(fileName).mid(qsizetype(std::strlen(kFilePrefix))));
}

void HoldRecord::holdProcess(const ProcessRun& process)
{
    ++m_processes[{process.pid, process.startTime}];
    save();
}

void HoldRecord::releaseProcess(const ProcessRun& process)
{
    const auto it = m_processes.find({process.pid, process.startTime});
    if (it == m_processes.end())
        return;
    if (--*it <= 0)
        m_processes.erase(it);
    save();
}

void HoldRecord::holdContainer(const QString& id)
{
    if (!isContainerId(id))
        return;
    ++m_containers[id];
    save();
}

void HoldRecord::releaseContainer(const QString& id)
{
    const auto it = m_containers.find(id);
    if (it == m_containers.end())
        return;
    if (--*it <= 0)
        m_containers.erase(it);
    save();
}

QByteArray HoldRecord::encode(const Contents& contents)
{
    QByteArray text = QByteArray(kHeader) + '\n';
    for (const ProcessRun& process : contents.processes)
        text += "process " + QByteArray::number(process.pid) + ' ' + QByteArray::number(process.startTime) + '\n';
    for (const QString& id : contents.containers)
        text += "container " + id.toLatin1() + '\n';
    return text;
}

std::optional<HoldRecord::Contents> HoldRecord::decode(const QByteArray& text)
{
    if (text.size() > kMaxBytes || !text.endsWith('\n'))
        return std::nullopt;
    QList<QByteArray> lines = text.split('\n');
    lines.removeLast();
    if (lines.isEmpty() || lines.first() != kHeader)
        return std::nullopt;
    Contents contents;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].split(' ');
        if (fields.size() == 3 && fields[0] == "process") {
            bool pidOk = false;
            bool startOk = false;
            const int pid = fields[1].toInt(&pidOk);
            const quint64 start = fields[2].toULongLong(&startOk);
            if (!pidOk || !startOk || pid < 2)
                return std::nullopt;
            contents.processes.append({pid, start});
        } else if (fields.size() == 2 && fields[0] == "container" && isContainerId(QString::fromLatin1(fields[1]))) {
            contents.containers.append(QString::fromLatin1(fields[1]));
        } else {
            return std::nullopt;
        }
    }
    return contents;
}

void HoldRecord::save()
{
    Contents contents;
    for (auto it = m_processes.cbegin(); it != m_processes.cend(); ++it)
        contents.processes.append({it.key().first, it.key().second});
    contents.containers = m_containers.keys();
    std::sort(contents.processes.begin(), contents.processes.end(),
              [](const ProcessRun& a, const ProcessRun& b) { return a.pid < b.pid; });
    std::sort(contents.containers.begin(), contents.containers.end());

    if (contents.processes.isEmpty() && contents.containers.isEmpty()) {
        if (!m_filePath.isEmpty())
            QFile::remove(m_filePath);
        m_filePath.clear();
        return;
    }
    if (!m_run) {
        // A record under a name that is not this run's own could be taken
        // for a gone run's while this one lives.
        sayNotNotedDown(QStringLiteral("this run's start time could not be read"));
        return;
    }
    const QByteArray text = encode(contents);
    QString failure;
    if (!m_filePath.isEmpty() && writeIn(QFileInfo(m_filePath).path(), text, &failure))
        return;
    // A folder that stopped taking it: the next is tried, and the old file
    // goes, so that no stale copy outlives the one in use.
    const QString previous = m_filePath;
    m_filePath.clear();
    for (const QString& folder : std::as_const(m_folders)) {
        if (!folderIsOurs(folder)) {
            failure = QStringLiteral("%1 is not a folder of ours").arg(folder);
            continue;
        }
        if (writeIn(folder, text, &failure)) {
            m_filePath = folder + QLatin1Char('/') + fileName(*m_run);
            if (!previous.isEmpty() && previous != m_filePath)
                QFile::remove(previous);
            m_failureSaid.clear();
            return;
        }
    }
    if (!previous.isEmpty())
        QFile::remove(previous);
    sayNotNotedDown(failure);
}

void HoldRecord::sayNotNotedDown(const QString& failure)
{
    if (failure != m_failureSaid)
        kestrova::print(QStringLiteral("⚠️ What this run freezes or pauses cannot be noted down (%1): if it ends without quitting, nobody gives it back")
                            .arg(failure));
    m_failureSaid = failure;
}

// The new text goes to a file of its own first and then takes the record's
// name, so a run killed meanwhile leaves the old record or the new one, whole.
bool HoldRecord::writeIn(const QString& folder, const QByteArray& text, QString* failure)
{
    const QString target = folder + QLatin1Char('/') + fileName(*m_run);
    const QByteArray staging = QFile::encodeName(folder + QStringLiteral("/.") + fileName(*m_run) + QStringLiteral(".new"));
    ::unlink(staging.constData());
    const int fd = ::open(staging.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        *failure = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    int error = writeAll(fd, text) ? 0 : (errno != 0 ? errno : EIO);
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(staging.constData(), QFile::encodeName(target).constData()) != 0)
        error = errno;
    if (error != 0) {
        *failure = QString::fromLocal8Bit(std::strerror(error));
        ::unlink(staging.constData());
        return false;
    }
    return true;
}
