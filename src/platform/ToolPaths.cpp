#include "platform/ToolPaths.h"

#include <QFileInfo>

namespace ToolPaths {

QString firstExisting(const QStringList& candidates)
{
    for (const QString& path : candidates) {
        const QFileInfo info(path);
        if (info.isFile() && info.isExecutable())
            return path;
    }
    return candidates.value(0);
}

QString colima()
{
    return firstExisting({QStringLiteral("/usr/local/bin/colima"), QStringLiteral("/usr/bin/colima")});
}

} // namespace ToolPaths
