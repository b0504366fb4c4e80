#include "platform/XdgAutostartLoginItem.h"

#include "core/SettingsFile.h"
#include "platform/DesktopEntryQuoting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>

namespace {

// An autostart entry is a few lines; a bigger file is not ours.
constexpr qint64 kMaxEntryBytes = 64 * 1024;

// The keys of the [Desktop Entry] group, values as written (unescaped
// comparisons are not needed: we compare with what we would write).
QHash<QString, QString> desktopEntryKeys(const QString& path)
{
    QHash<QString, QString> keys;
    // Only a regular file: opening a FIFO left at that name would block.
    if (!QFileInfo(path).isFile())
        return keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxEntryBytes)
        return keys;
    bool inGroup = false;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (QString line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.startsWith(u'[')) {
            inGroup = line == u"[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inGroup || line.startsWith(u'#') || equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (!keys.contains(key)) // the first occurrence of a key counts
            keys.insert(key, line.mid(equals + 1).trimmed());
    }
    return keys;
}

} // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem(QString autostartFolder, QString executable)
    : m_folder(std::move(autostartFolder)), m_executable(std::move(executable))
{
}

QString XdgAutostartLoginItem::userAutostartFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart");
}

QString XdgAutostartLoginItem::filePath() const
{
    return m_folder + u'/' + QLatin1String(kFileName);
}

QString XdgAutostartLoginItem::entryText() const
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Kestrova\n"
                          "Comment=Developer system monitor in the tray\n"
                          "Exec=%1\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(kestrova::desktopExecValue({m_executable}));
}

LoginItem::Status XdgAutostartLoginItem::status() const
{
    if (m_executable.isEmpty() || !QFileInfo(m_executable).isAbsolute())
        return Status::notFound;
    const QHash<QString, QString> keys = desktopEntryKeys(filePath());
    if (keys.value(QStringLiteral("Exec")) != kestrova::desktopExecValue({m_executable}))
        return Status::notRegistered;
    if (keys.value(QStringLiteral("Hidden")) == u"true" ||
        keys.value(QStringLiteral("X-GNOME-Autostart-enabled")) == u"false")
        return Status::requiresApproval;
    return Status::enabled;
}

std::optional<QString> XdgAutostartLoginItem::registerItem()
{
    if (m_executable.isEmpty() || !QFileInfo(m_executable).isAbsolute())
        return QStringLiteral("The application's executable could not be found.");
    if (!QDir().mkpath(m_folder))
        return QStringLiteral("Cannot create the folder %1.").arg(m_folder);
    // Written to a temporary file, every write checked, and renamed, so a
    // session that starts while we write never reads half an entry.
    const QString failure = SettingsFile::writeWhole(filePath(), entryText().toUtf8(), SettingsFile::Durability::onDisk);
    if (!failure.isEmpty())
        return QStringLiteral("Cannot write %1: %2").arg(filePath(), failure);
    return std::nullopt;
}

std::optional<QString> XdgAutostartLoginItem::unregisterItem()
{
    QFile file(filePath());
    if (!file.remove() && QFileInfo::exists(filePath()))
        return QStringLiteral("Cannot remove %1: %2").arg(filePath(), file.errorString());
    return std::nullopt;
}
