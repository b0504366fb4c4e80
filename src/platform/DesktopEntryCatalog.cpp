#include "platform/DesktopEntryCatalog.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

namespace {

// Entries are small; anything larger is not one.
constexpr qint64 kMaxEntryBytes = 256 * 1024;

QString canonical(const QString& path)
{
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? QDir::cleanPath(path) : resolved;
}

} // namespace

DesktopEntryCatalog::DesktopEntryCatalog(QStringList applicationDirs) : m_dirs(std::move(applicationDirs)) {}

QStringList DesktopEntryCatalog::standardDirs()
{
    return QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
}

QList<DesktopEntry> DesktopEntryCatalog::entries() const
{
    QList<DesktopEntry> result;
    QSet<QString> seenIds;
    for (const QString& dir : m_dirs) {
        const QString root = QDir(dir).absolutePath();
        QDirIterator it(root, {QStringLiteral("*.desktop")}, QDir::Files | QDir::Readable,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            // The id: the path below the folder with "/" as "-".
            QString id = path.mid(root.size() + 1);
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            if (seenIds.contains(id))
                continue;
            seenIds.insert(id);
            QFile file(path);
            if (file.size() > kMaxEntryBytes || !file.open(QIODevice::ReadOnly))
                continue;
            if (auto entry = DesktopEntry::parse(path, file.readAll()))
                result.append(*entry);
        }
    }
    return result;
}

template <typename Match>
std::optional<DesktopEntry> DesktopEntryCatalog::find(Match match) const
{
    std::optional<DesktopEntry> hiddenMatch;
    for (const DesktopEntry& entry : entries()) {
        if (entry.terminal || !match(entry))
            continue;
        if (!entry.noDisplay)
            return entry;
        if (!hiddenMatch)
            hiddenMatch = entry;
    }
    return hiddenMatch;
}

std::optional<DesktopEntry> DesktopEntryCatalog::entryForProgram(const QString& program) const
{
    const QString target = canonical(program);
    return find([&target](const DesktopEntry& entry) {
        const QString runs = entry.resolvedProgram();
        if (!runs.isEmpty() && runs == target)
            return true;
        const QString tries = entry.resolvedTryExec();
        return !tries.isEmpty() && tries == target;
    });
}

std::optional<DesktopEntry> DesktopEntryCatalog::entryInside(const QString& folder) const
{
    const QString prefix = canonical(folder) + QLatin1Char('/');
    return find([&prefix](const DesktopEntry& entry) { return entry.resolvedProgram().startsWith(prefix); });
}
