#pragma once

#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>

// A bind mount for one test, undone when it goes out of scope. Mounting
// needs privileges: where it is refused, reason() says why, for the skip.
class BindMount {
public:
    BindMount(const QString& source, const QString& target, bool readOnly = false)
        : m_target(QFile::encodeName(target))
    {
        const QByteArray from = QFile::encodeName(source);
        if (::mount(from.constData(), m_target.constData(), nullptr, MS_BIND, nullptr) != 0) {
            m_reason = QStringLiteral("bind mounts are not allowed here (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        m_mounted = true;
        if (readOnly
            && ::mount(nullptr, m_target.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
            m_reason = QStringLiteral("read-only remounts are not allowed here (%1)")
                           .arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    ~BindMount()
    {
        if (m_mounted)
            ::umount2(m_target.constData(), MNT_DETACH);
    }
    BindMount(const BindMount&) = delete;
    BindMount& operator=(const BindMount&) = delete;

    bool usable() const { return m_mounted && m_reason.isEmpty(); }
    QString reason() const { return m_reason; }

private:
    QByteArray m_target;
    QString m_reason;
    bool m_mounted = false;
};
