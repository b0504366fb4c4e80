#include "platform/SessionProcessGuard.h"

#include "platform/ProcessSignaller.h"
#include "platform/UnixSocketTable.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <dirent.h>
#include <unistd.h>

namespace {

// The kernel keeps 15 bytes of a program's name.
constexpr qsizetype shortNameLength = 15;

QString baseName(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

const QSet<QString>& nameSet()
{
    static const QSet<QString> names = [] {
        QSet<QString> set;
        for (const QString& name : SessionProcessGuard::criticalNames())
            set.insert(name);
        return set;
    }();
    return names;
}

const QSet<QString>& shortNameSet()
{
    static const QSet<QString> names = [] {
        QSet<QString> set;
        for (const QString& name : SessionProcessGuard::criticalNames())
            set.insert(name.left(shortNameLength));
        return set;
    }();
    return names;
}

QByteArray readFile(const QString& path, qsizetype limit)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
    return file.read(limit);
}

// The socket inodes among a process's descriptors ("socket:[N]" links).
QSet<quint64> socketInodesOf(const QString& fdFolder)
{
    QSet<quint64> inodes;
    DIR* dir = ::opendir(QFile::encodeName(fdFolder).constData());
    if (!dir)
        return inodes;
    const int dirFd = ::dirfd(dir);
    char target[64];
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        const ssize_t length = ::readlinkat(dirFd, entry->d_name, target, sizeof target - 1);
        if (length <= 0)
            continue;
        const QByteArrayView link(target, length);
        if (!link.startsWith("socket:[") || !link.endsWith("]"))
            continue;
        bool ok = false;
        const quint64 inode = link.sliced(8, link.size() - 9).toULongLong(&ok);
        if (ok)
            inodes.insert(inode);
    }
    ::closedir(dir);
    return inodes;
}

} // namespace

SessionProcessGuard::SessionProcessGuard(QString procRoot, QStringList displaySockets)
    : m_procRoot(std::move(procRoot)), m_displaySockets(std::move(displaySockets))
{
}

QStringList SessionProcessGuard::displaySocketPaths(const QString& display, const QString& waylandDisplay,
                                                   const QString& runtimeFolder)
{
    QStringList paths;
    // ":0", ":0.1" and "unix:0" are local; "host:0" is a remote display.
    static const QRegularExpression localDisplay(QStringLiteral("^(?:unix)?:(\\d+)(?:\\.\\d+)?$"));
    if (const auto match = localDisplay.match(display); match.hasMatch())
        paths << QStringLiteral("/tmp/.X11-unix/X") + match.captured(1);
    if (!waylandDisplay.isEmpty()) {
        if (waylandDisplay.startsWith(QLatin1Char('/')))
            paths << waylandDisplay;
        else if (!runtimeFolder.isEmpty())
            paths << runtimeFolder + QLatin1Char('/') + waylandDisplay;
    }
    return paths;
}

void SessionProcessGuard::setTrayOwners(QSet<qint32> pids)
{
    if (pids == m_trayOwners)
        return;
    m_trayOwners = std::move(pids);
    ++m_revision;
}

const QStringList& SessionProcessGuard::criticalNames()
{
    static const QStringList names = {
        // display servers, nested and virtual ones included
        QStringLiteral("X"), QStringLiteral("Xorg"), QStringLiteral("Xwayland"), QStringLiteral("Xvfb"),
        QStringLiteral("Xephyr"),
        // compositors and window managers that draw the desktop
        QStringLiteral("gnome-shell"), QStringLiteral("mutter"), QStringLiteral("kwin_wayland"),
        QStringLiteral("kwin_x11"), QStringLiteral("kwin"), QStringLiteral("weston"), QStringLiteral("sway"),
        QStringLiteral("Hyprland"), QStringLiteral("wayfire"), QStringLiteral("labwc"), QStringLiteral("river"),
        QStringLiteral("niri"), QStringLiteral("cage"), QStringLiteral("gamescope"), QStringLiteral("xfwm4"),
        QStringLiteral("marco"), QStringLiteral("muffin"), QStringLiteral("cinnamon"),
        QStringLiteral("budgie-wm"), QStringLiteral("openbox"), QStringLiteral("i3"), QStringLiteral("picom"),
        QStringLiteral("compton"),
        // session bus
        QStringLiteral("dbus-daemon"), QStringLiteral("dbus-broker"), QStringLiteral("dbus-broker-launch"),
        // the user's service manager
        QStringLiteral("systemd"),
        // audio servers
        QStringLiteral("pipewire"), QStringLiteral("pipewire-pulse"), QStringLiteral("wireplumber"),
        QStringLiteral("pipewire-media-session"), QStringLiteral("pulseaudio"), QStringLiteral("jackd"),
        QStringLiteral("jackdbus"),
    };
    return names;
}

bool SessionProcessGuard::isSessionCritical(const QString& shortName, const QString& commandPath)
{
    return (!shortName.isEmpty() && shortNameSet().contains(shortName))
           || nameSet().contains(baseName(commandPath));
}

bool SessionProcessGuard::isSessionCritical(qint32 pid) const
{
    if (pid <= 0)
        return false;
    const QString dir = m_procRoot + QLatin1Char('/') + QString::number(pid) + QLatin1Char('/');
    QByteArray comm = readFile(dir + QStringLiteral("comm"), 256);
    if (comm.endsWith('\n'))
        comm.chop(1);
    const QString shortName = QString::fromUtf8(comm);

    QString exe = QFileInfo(dir + QStringLiteral("exe")).symLinkTarget();
    if (exe.endsWith(QStringLiteral(" (deleted)")))
        exe.chop(10);
    const QByteArray commandLine = readFile(dir + QStringLiteral("cmdline"), 4096);
    const QString argv0 = QString::fromUtf8(commandLine.left(commandLine.indexOf('\0')));
    if (isSessionCritical(shortName, exe) || isSessionCritical(QString(), argv0))
        return true;
    if (m_trayOwners.contains(pid))
        return true;
    // A kernel thread: the kernel gives it neither an executable nor a
    // command line (a zombie has neither too, and cannot be stopped either).
    if (exe.isEmpty() && commandLine.isEmpty() && QFileInfo::exists(dir + QStringLiteral("stat")))
        return true;
    return ownsDisplaySocket(pid);
}

bool SessionProcessGuard::ownsDisplaySocket(qint32 pid) const
{
    if (pid <= 0 || m_displaySockets.isEmpty())
        return false;
    const QSet<quint64> held = socketInodesOf(m_procRoot + QLatin1Char('/') + QString::number(pid) + QStringLiteral("/fd"));
    if (held.isEmpty())
        return false;
    const QSet<quint64> listening = UnixSocketTable::listeningInodes(
        readFile(m_procRoot + QStringLiteral("/net/unix"), UnixSocketTable::kReadLimit), m_displaySockets);
    return held.intersects(listening);
}

bool SessionProcessGuard::mayFreeze(qint32 pid) const
{
    return !ProcessSignaller::isForbiddenPid(pid) && !isSessionCritical(pid);
}

SessionProcessGuard& SessionProcessGuard::system()
{
    static SessionProcessGuard guard(QStringLiteral("/proc"),
                                     displaySocketPaths(qEnvironmentVariable("DISPLAY"),
                                                        qEnvironmentVariable("WAYLAND_DISPLAY"),
                                                        qEnvironmentVariable("XDG_RUNTIME_DIR")));
    return guard;
}
