#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

// Knows the processes that hold the user's desktop session together: the
// compositor or window manager, the display server (by name, or as the
// owner of the display's socket whatever its name), the session bus,
// `systemd --user`, the audio server and the process that hosts the tray.
// Stopping one of them locks the desktop, including any window that could
// resume it, so no freezer may stop them. Kernel threads are refused too:
// they ignore the signal, so a freeze would only be claimed.
class SessionProcessGuard {
public:
    // `displaySockets` are the paths of the display's listening sockets.
    explicit SessionProcessGuard(QString procRoot = QStringLiteral("/proc"), QStringList displaySockets = {});

    // The display sockets the environment names: the X socket of a local
    // $DISPLAY and $WAYLAND_DISPLAY (relative to $XDG_RUNTIME_DIR).
    static QStringList displaySocketPaths(const QString& display, const QString& waylandDisplay,
                                          const QString& runtimeFolder);

    // The processes that own the tray now. Replaces the earlier set.
    void setTrayOwners(QSet<qint32> pids);
    const QSet<qint32>& trayOwners() const { return m_trayOwners; }
    // Grows whenever a judgement may have changed (the tray owners did).
    quint64 revision() const { return m_revision; }

    // Reads the process's short name, executable, argv[0] and, when needed,
    // its descriptors from the proc tree. False when the process cannot be
    // read (it is gone).
    bool isSessionCritical(qint32 pid) const;
    // Holds a listening display socket.
    bool ownsDisplaySocket(qint32 pid) const;
    // False for the pids no signal may reach (pid < 2, our own) and for
    // session-critical processes.
    bool mayFreeze(qint32 pid) const;

    // The same judgement from names already at hand: the kernel's short
    // name (cut at 15 bytes) and the executable's path or argv[0].
    static bool isSessionCritical(const QString& shortName, const QString& commandPath);
    // The program names counted as session-critical.
    static const QStringList& criticalNames();

    // The guard over the real /proc and this session's display.
    static SessionProcessGuard& system();

private:
    QString m_procRoot;
    QStringList m_displaySockets;
    QSet<qint32> m_trayOwners;
    quint64 m_revision = 0;
};
