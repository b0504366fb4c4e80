#include "core/OwnedTempDir.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

OwnedTempDir::OwnedTempDir(const QString& templatePath) : m_dir(templatePath)
{
    mark();
}

bool OwnedTempDir::mark()
{
    if (m_owner >= 0 || !m_dir.isValid())
        return m_owner >= 0;
    // Locked under another name first, so that an owner file is never seen
    // unlocked while its owner lives.
    const QByteArray path = QFile::encodeName(m_dir.filePath(QString::fromLatin1(kOwnerFile)));
    const QByteArray fresh = path + ".new";
    const int owner = ::open(fresh.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (owner < 0)
        return false;
    // The pid is for whoever looks; the lock is what a later launch tests.
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    [[maybe_unused]] const ssize_t written = ::write(owner, pid.constData(), size_t(pid.size()));
    if (::flock(owner, LOCK_EX | LOCK_NB) != 0 || ::rename(fresh.constData(), path.constData()) != 0) {
        ::close(owner);
        ::unlink(fresh.constData());
        return false;
    }
    m_owner = owner;
    return true;
}

OwnedTempDir::~OwnedTempDir()
{
    if (m_owner >= 0)
        ::close(m_owner);
}

bool OwnedTempDir::isLeftOver(int folder)
{
    const int owner = ::openat(folder, kOwnerFile, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (owner < 0)
        return false;
    struct stat info {};
    const bool unheld = ::fstat(owner, &info) == 0 && S_ISREG(info.st_mode) && ::flock(owner, LOCK_EX | LOCK_NB) == 0;
    ::close(owner);
    return unheld;
}
