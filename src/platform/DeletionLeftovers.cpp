#include "platform/DeletionLeftovers.h"

#include "core/OneLineText.h"

namespace {

QString counted(int count, const char* one, const char* many)
{
    return QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? one : many);
}

} // namespace

void DeletionLeftovers::addRefusal(const QString& path)
{
    if (!any())
        firstPath = path;
    ++refusals;
}

void DeletionLeftovers::addMountPoint(const QString& path)
{
    if (!any())
        firstPath = path;
    ++mountPoints;
}

void DeletionLeftovers::addEntry(const QString& path)
{
    if (!any())
        firstPath = path;
    ++entries;
}

void DeletionLeftovers::add(const DeletionLeftovers& other)
{
    if (!any())
        firstPath = other.firstPath;
    refusals += other.refusals;
    mountPoints += other.mountPoints;
    entries += other.entries;
}

QString DeletionLeftovers::printedLine() const
{
    QString what;
    if (mountPoints > 0)
        what = counted(mountPoints, "mount point", "mount points");
    if (entries > 0) {
        if (!what.isEmpty())
            what += QStringLiteral(" and ") + counted(entries, "other item", "other items");
        else
            what = counted(entries, "item", "items");
    }
    QString line = QStringLiteral("⚠️ Purge ");
    if (refusals > 0)
        line += QStringLiteral("refused ") + counted(refusals, "path behind a link", "paths behind links");
    if (!what.isEmpty())
        line += (refusals > 0 ? QStringLiteral(" and left ") : QStringLiteral("left ")) + what + QStringLiteral(" in place");
    return line + QStringLiteral(", first: ") + oneLineText(firstPath);
}
