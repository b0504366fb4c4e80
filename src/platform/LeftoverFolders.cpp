#include "platform/LeftoverFolders.h"

#include "core/OwnedTempDir.h"
#include "platform/FolderEntries.h"
#include "platform/SafeDelete.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace {

bool isTemporaryName(const char* name, const QByteArray& prefix)
{
    if (std::strncmp(name, prefix.constData(), size_t(prefix.size())) != 0 || std::strlen(name) != size_t(prefix.size()) + 6)
        return false;
    for (const char* c = name + prefix.size(); *c; ++c) {
        if (!((*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9')))
            return false;
    }
    return true;
}

// Whether `name` in the open `folder` is a real folder of ours left by a
// run that is gone.
bool isLeftOver(int folder, const char* name)
{
    struct stat seen {};
    if (::fstatat(folder, name, &seen, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(seen.st_mode) || seen.st_uid != ::geteuid())
        return false;
    const int fd = ::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat opened {};
    const bool same = ::fstat(fd, &opened) == 0 && opened.st_dev == seen.st_dev && opened.st_ino == seen.st_ino;
    const bool leftOver = same && OwnedTempDir::isLeftOver(fd);
    ::close(fd);
    return leftOver;
}

} // namespace

namespace LeftoverFolders {

DeletionLeftovers removeIn(const QString& folder, const QString& prefix)
{
    DeletionLeftovers left;
    const QString root = QDir::cleanPath(folder);
    if (prefix.isEmpty() || root.isEmpty())
        return left;
    const int fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return left;
    const QByteArray start = QFile::encodeName(prefix);
    std::vector<QByteArray> names;
    FolderEntries::forEach(fd, [&](const char* name, unsigned char) {
        if (isTemporaryName(name, start) && isLeftOver(fd, name))
            names.emplace_back(name);
    });
    ::close(fd);
    for (const QByteArray& name : names)
        SafeDelete::removeInside(root, root + QLatin1Char('/') + QFile::decodeName(name), &left);
    return left;
}

} // namespace LeftoverFolders
