#pragma once

#include <QString>
#include <QStringList>

// Knows the processes that hold the user's desktop session together: the
// compositor or window manager, the display server, the session bus,
// `systemd --user` and the audio server. Stopping one of them locks the
// desktop, including any window that could resume it, so no freezer may
// stop them.
class SessionProcessGuard {
public:
    explicit SessionProcessGuard(QString procRoot = QStringLiteral("/proc"));

    // Reads the process's short name, executable and argv[0] from the proc
    // tree. False when the process cannot be read (it is gone).
    bool isSessionCritical(qint32 pid) const;
    // False for the pids no signal may reach (pid < 2, our own) and for
    // session-critical processes.
    bool mayFreeze(qint32 pid) const;

    // The same judgement from names already at hand: the kernel's short
    // name (cut at 15 bytes) and the executable's path or argv[0].
    static bool isSessionCritical(const QString& shortName, const QString& commandPath);
    // The program names counted as session-critical.
    static const QStringList& criticalNames();

    // The guard over the real /proc.
    static const SessionProcessGuard& system();

private:
    QString m_procRoot;
};
