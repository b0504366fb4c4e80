#pragma once

#include <QFile>
#include <QString>

#include "ImmutableFile.h"

// A real folder whose entries cannot be removed or added while this object
// lives: write permission goes, and where the process may ignore modes
// (root) the folder is also marked immutable. isLocked() says whether that
// held; a test skips when it did not.
class LockedFolder {
public:
    explicit LockedFolder(QString path) : m_path(std::move(path))
    {
        m_mode = QFile::permissions(m_path);
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ExeOwner);
        if (!writable())
            return;
        m_immutable = setImmutable(true);
    }
    ~LockedFolder()
    {
        if (m_immutable)
            setImmutable(false);
        QFile::setPermissions(m_path, m_mode);
    }
    LockedFolder(const LockedFolder&) = delete;

    bool isLocked() const { return !writable(); }

private:
    // Whether a new entry can be made in the folder, tried for real.
    bool writable() const
    {
        const QString probe = m_path + QStringLiteral("/.probe");
        QFile file(probe);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.close();
        QFile::remove(probe);
        return true;
    }

    bool setImmutable(bool on) const
    {
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0)
            return false;
        const bool done = setImmutableFlag(fd, on);
        ::close(fd);
        return done;
    }

    QString m_path;
    QFile::Permissions m_mode;
    bool m_immutable = false;
};
