#include "platform/ToolPaths.h"

#include <QDir>
#include <QFileInfo>

namespace ToolPaths {

QStringList absoluteFolders(const QString& pathVariable)
{
    QStringList folders;
    for (const QString& folder : pathVariable.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(folder) && !folders.contains(folder))
            folders.append(folder);
    return folders;
}

QStringList searchFolders()
{
    QStringList folders = absoluteFolders(qEnvironmentVariable("PATH"));
    for (const char* fallback : {"/usr/local/bin", "/usr/bin", "/snap/bin"})
        if (const QString folder = QString::fromLatin1(fallback); !folders.contains(folder))
            folders.append(folder);
    return folders;
}

QString locate(const QString& name, const QStringList& folders)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')))
        return {};
    for (const QString& folder : folders) {
        const QFileInfo candidate(folder + QLatin1Char('/') + name);
        if (candidate.isFile() && candidate.isExecutable())
            return candidate.absoluteFilePath();
    }
    return {};
}

QString tool(const QString& name)
{
    const QString path = locate(name, searchFolders());
    return path.isEmpty() ? name : path;
}

} // namespace ToolPaths
