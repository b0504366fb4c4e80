#pragma once

#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

// A 64 KiB tmpfs over a folder for one test, which fill() takes to its last block. Mounting needs a mount
// namespace of our own (OwnPidNamespace runs the test in one); where the kernel refuses, reason() says why.
class FullTmpfs {
public:
    explicit FullTmpfs(const QString& folder) : m_folder(QFile::encodeName(folder))
    {
        if (::mount("tmpfs", m_folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k,mode=0700") != 0)
            m_reason = QStringLiteral("no tmpfs can be mounted here (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    ~FullTmpfs()
    {
        if (m_reason.isEmpty())
            ::umount2(m_folder.constData(), MNT_DETACH);
    }
    FullTmpfs(const FullTmpfs&) = delete;
    FullTmpfs& operator=(const FullTmpfs&) = delete;

    QString reason() const { return m_reason; }
    // Writes a filler until the disk takes no more; true once it is full.
    bool fill() const
    {
        const int fd = ::open((m_folder + "/filler").constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        const char block[4096] = {};
        while (fd >= 0 && ::write(fd, block, sizeof block) > 0) {
        }
        const bool full = fd >= 0 && errno == ENOSPC;
        ::close(fd);
        return full;
    }

private:
    QByteArray m_folder;
    QString m_reason;
};
