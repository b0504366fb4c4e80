#pragma once

#include <QFile>
#include <QString>

#include "ImmutableFile.h"

#include <optional>

// A real folder whose entries cannot be removed or added while this object
// lives: write permission goes, and where the process may ignore modes
// (root) the folder is also marked immutable. isLocked() says whether that
// held; a test skips when it did not.
class LockedFolder {
public:
    explicit LockedFolder(QString path) : m_path(std::move(path)), m_mode(QFile::permissions(m_path))
    {
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ExeOwner);
        if (writable())
            m_pin.emplace(AT_FDCWD, QFile::encodeName(m_path).constData());
    }
    ~LockedFolder()
    {
        m_pin.reset();
        QFile::setPermissions(m_path, m_mode);
    }
    LockedFolder(const LockedFolder&) = delete;

    bool isLocked() const { return !writable(); }

private:
    // Whether a new entry can be made in the folder, tried for real.
    bool writable() const
    {
        QFile probe(m_path + QStringLiteral("/.probe"));
        return probe.open(QIODevice::WriteOnly) && probe.remove();
    }

    QString m_path;
    QFile::Permissions m_mode;
    std::optional<ImmutableFile> m_pin;
};
