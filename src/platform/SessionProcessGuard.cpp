#include "platform/SessionProcessGuard.h"

#include "platform/ProcessSignaller.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

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

} // namespace

SessionProcessGuard::SessionProcessGuard(QString procRoot) : m_procRoot(std::move(procRoot)) {}

const QStringList& SessionProcessGuard::criticalNames()
{
    static const QStringList names = {
        // display servers
        QStringLiteral("X"), QStringLiteral("Xorg"), QStringLiteral("Xwayland"),
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
    return isSessionCritical(shortName, exe) || isSessionCritical(QString(), argv0);
}

bool SessionProcessGuard::mayFreeze(qint32 pid) const
{
    return !ProcessSignaller::isForbiddenPid(pid) && !isSessionCritical(pid);
}

const SessionProcessGuard& SessionProcessGuard::system()
{
    static const SessionProcessGuard guard;
    return guard;
}
