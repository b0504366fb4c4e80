#include "platform/FileWalker.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool isHidden(const char* name) { return name[0] == '.'; }

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

int openRoot(const QString& root)
{
    const QByteArray path = QFile::encodeName(root);
    return ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Sums regular-file sizes below an open folder; takes ownership of fd.
qint64 sumFolder(int fd, const FileWalker::Options& options, int depth)
{
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return 0;
    }
    qint64 total = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (isDotOrDotDot(name) || (!options.includeHidden && isHidden(name)))
            continue;
        unsigned char type = entry->d_type;
        struct stat info;
        if (type == DT_UNKNOWN || type == DT_REG) {
            if (::fstatat(::dirfd(dir), name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (S_ISREG(info.st_mode)) {
                total += info.st_size;
                continue;
            }
            type = S_ISDIR(info.st_mode) ? DT_DIR : DT_UNKNOWN;
        }
        if (type == DT_DIR && depth < options.maxDepth) {
            const int child = ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0)
                total += sumFolder(child, options, depth + 1);
        }
    }
    ::closedir(dir);
    return total;
}

// Visits entries below an open folder; takes ownership of fd. `path` is the
// folder's path and is restored before returning. Returns false to stop.
bool visitFolder(int fd, QByteArray& path, const FileWalker::Visitor& visit, const FileWalker::Options& options,
                 int depth)
{
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return true;
    }
    bool keepGoing = true;
    const qsizetype base = path.size();
    while (keepGoing) {
        const dirent* entry = ::readdir(dir);
        if (!entry)
            break;
        const char* name = entry->d_name;
        if (isDotOrDotDot(name) || (!options.includeHidden && isHidden(name)))
            continue;
        struct stat info;
        if (::fstatat(::dirfd(dir), name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        path.append('/').append(name);
        if (S_ISDIR(info.st_mode)) {
            if (depth < options.maxDepth) {
                const int child = ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (child >= 0)
                    keepGoing = visitFolder(child, path, visit, options, depth + 1);
            }
        } else {
            keepGoing = visit(path, info);
        }
        path.truncate(base);
    }
    ::closedir(dir);
    return keepGoing;
}

} // namespace

void FileWalker::forEachFile(const QString& root, const Visitor& visit, Options options)
{
    const int fd = openRoot(root);
    if (fd < 0)
        return;
    QByteArray path = QFile::encodeName(root);
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    visitFolder(fd, path, visit, options, 0);
}

qint64 FileWalker::totalSize(const QString& root, Options options)
{
    const int fd = openRoot(root);
    return fd < 0 ? 0 : sumFolder(fd, options, 0);
}
