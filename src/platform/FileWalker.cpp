#include "platform/FileWalker.h"

#include "platform/EntryIdentity.h"
#include "platform/FolderChain.h"
#include "platform/FolderEntries.h"

#include <QFile>

#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

int openRoot(const QString& root)
{
    const QByteArray path = QFile::encodeName(root);
    return ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Walks the tree below the open folder `top` (taken): every entry that is
// not a folder goes to onFile(folderPath, name, info), which returns false
// to stop. `path` is kept as the current folder's path when withPaths.
template <bool withPaths, typename OnFile>
void walk(int top, QByteArray& path, const FileWalker::Options& options, OnFile&& onFile)
{
    FolderChain chain(top);
    if (!chain.usable())
        return;
    struct Level {
        std::vector<std::string> folders; // subfolders still to walk
        std::size_t next = 0;
        qsizetype pathSize = 0;           // the parent's path length
    };
    std::vector<Level> levels;
    bool keepGoing = true;
    const dev_t device = chain.info().st_dev;
    // A subfolder or file that is a mount point is left out, looked at
    // without opening it (which would trigger an automount).
    const auto onThisFileSystem = [&](int folder, const char* name) {
        EntryIdentity entry;
        return !options.stayOnFileSystem
               || (EntryIdentity::of(folder, name, entry) == 0 && !entry.isMountPointOn(device));
    };
    // Lists the current folder: files go to onFile, subfolders are queued.
    const auto read = [&](qsizetype parentPathSize) {
        Level level;
        level.pathSize = parentPathSize;
        const bool deeper = int(levels.size()) < options.maxDepth;
        const int fd = chain.fd();
        FolderEntries::forEach(fd, [&](const char* name, unsigned char type) {
            if (!keepGoing || (!options.includeHidden && name[0] == '.'))
                return;
            if (type == DT_DIR) {
                if (deeper && onThisFileSystem(fd, name))
                    level.folders.emplace_back(name);
                return;
            }
            struct stat info;
            if (::fstatat(fd, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                return;
            if (S_ISDIR(info.st_mode)) {
                if (deeper && onThisFileSystem(fd, name))
                    level.folders.emplace_back(name);
                return;
            }
            // A file mounted over a file stays when the folder goes.
            if (S_ISREG(info.st_mode) && !onThisFileSystem(fd, name))
                return;
            keepGoing = onFile(static_cast<const QByteArray&>(path), name, info);
        });
        levels.push_back(std::move(level));
    };
    read(path.size());
    while (keepGoing && !levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.folders.size()) {
            const qsizetype parentPathSize = level.pathSize;
            levels.pop_back();
            if (levels.empty() || !chain.leave())
                return;
            if constexpr (withPaths)
                path.truncate(parentPathSize);
            continue;
        }
        const std::string& name = level.folders[level.next++];
        if (chain.enter(name.c_str()) != 0)
            continue;
        const qsizetype parentPathSize = path.size();
        if constexpr (withPaths)
            path.append('/').append(name.data(), qsizetype(name.size()));
        read(parentPathSize);
    }
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
    QByteArray filePath;
    walk<true>(fd, path, options, [&](const QByteArray& folder, const char* name, const struct stat& info) {
        filePath = folder;
        filePath.append('/').append(name);
        return visit(filePath, info);
    });
}

qint64 FileWalker::totalSize(const QString& root, Options options)
{
    const int fd = openRoot(root);
    if (fd < 0)
        return 0;
    qint64 total = 0;
    QByteArray unused;
    walk<false>(fd, unused, options, [&total](const QByteArray&, const char*, const struct stat& info) {
        if (S_ISREG(info.st_mode))
            total += info.st_size;
        return true;
    });
    return total;
}
