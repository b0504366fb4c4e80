#include "localai/ToolchainInventory.h"

#include "platform/TreeSizeCache.h"
#include "platform/SafeDelete.h"

#include <QFile>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const QString kNvmRoot = QStringLiteral(".nvm/versions/node");
const QString kMiseRoot = QStringLiteral(".local/share/mise/installs");
const QString kAsdfRoot = QStringLiteral(".asdf/installs");

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Opens an install root by path; the path itself is fixed, so links on the
// way to it are the user's own layout and are followed.
int openRoot(const QString& root)
{
    return ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

struct Entry {
    QByteArray name;
    bool hasDate = false;
    QDateTime modified;
};

// The direct entries of an open folder that are not hidden, sorted by name so
// equal dates sort the same way on every scan. The caller keeps its fd.
std::vector<Entry> listVisible(int folder)
{
    std::vector<Entry> entries;
    const int fd = ::openat(folder, ".", kFolderFlags);
    if (fd < 0)
        return entries;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return entries;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue; // hidden, and "." and ".."
        Entry e{entry->d_name, false, {}};
        struct stat info;
        if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
            e.hasDate = true;
            e.modified = QDateTime::fromMSecsSinceEpoch(qint64(info.st_mtim.tv_sec) * 1000
                                                        + info.st_mtim.tv_nsec / 1'000'000);
        }
        entries.push_back(std::move(e));
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return entries;
}

SDKVersionInfo makeRow(const QString& home, const QString& manager, const QString& name, const QString& folder,
                       const Entry& entry, const QDateTime& now, TreeSizeCache& sizes)
{
    SDKVersionInfo row;
    row.manager = manager;
    row.name = name;
    row.version = QFile::decodeName(entry.name);
    row.path = folder + QLatin1Char('/') + row.version;
    // Counted as a purge of the version reaches it: a linked entry, or one
    // behind a linked folder, measures 0; mounts stay.
    row.sizeBytes = sizes.totalSize(row.path, {.includeHidden = false, .stayOnFileSystem = true, .removalRoot = home});
    row.lastAccessDate = entry.hasDate ? entry.modified : now;
    return row;
}

void scanNvm(const QString& home, const QDateTime& now, TreeSizeCache& sizes, QList<SDKVersionInfo>& rows)
{
    const QString root = home + QLatin1Char('/') + kNvmRoot;
    const int fd = openRoot(root);
    if (fd < 0)
        return;
    for (const Entry& entry : listVisible(fd)) {
        if (entry.name.startsWith('v'))
            rows << makeRow(home, QStringLiteral("nvm"), QStringLiteral("node"), root, entry, now, sizes);
    }
    ::close(fd);
}

void scanTools(const QString& manager, const QString& home, const QString& relativeRoot, const QDateTime& now,
               TreeSizeCache& sizes, QList<SDKVersionInfo>& rows)
{
    const QString root = home + QLatin1Char('/') + relativeRoot;
    const int rootFd = openRoot(root);
    if (rootFd < 0)
        return;
    for (const Entry& tool : listVisible(rootFd)) {
        const int toolFd = ::openat(rootFd, tool.name.constData(), kFolderFlags);
        if (toolFd < 0)
            continue; // not a folder, a link, or unreadable
        const QString toolName = QFile::decodeName(tool.name);
        const QString folder = root + QLatin1Char('/') + toolName;
        for (const Entry& version : listVisible(toolFd))
            rows << makeRow(home, manager, toolName, folder, version, now, sizes);
        ::close(toolFd);
    }
    ::close(rootFd);
}

bool isPlainName(const QString& part)
{
    return !part.isEmpty() && !part.startsWith(QLatin1Char('.'));
}

} // namespace

QList<SDKVersionInfo> ToolchainInventory::scan(const QString& home, const QDateTime& now, TreeSizeCache& sizes)
{
    QList<SDKVersionInfo> rows;
    if (!SafeDelete::isSaneHome(home))
        return rows;
    scanNvm(home, now, sizes, rows);
    scanTools(QStringLiteral("mise"), home, kMiseRoot, now, sizes, rows);
    scanTools(QStringLiteral("asdf"), home, kAsdfRoot, now, sizes, rows);
    std::stable_sort(rows.begin(), rows.end(), [](const SDKVersionInfo& a, const SDKVersionInfo& b) {
        return a.lastAccessDate < b.lastAccessDate;
    });
    return rows;
}

bool ToolchainInventory::isVersionEntryPath(const QString& home, const QString& path)
{
    if (!SafeDelete::isSaneHome(home) || !SafeDelete::isStrictlyInside(home, path))
        return false;
    const QString relative = path.mid(home.size() + 1);
    const auto below = [&](const QString& root) -> QStringList {
        const QString prefix = root + QLatin1Char('/');
        return relative.startsWith(prefix) ? relative.mid(prefix.size()).split(QLatin1Char('/')) : QStringList();
    };
    if (const QStringList parts = below(kNvmRoot); parts.size() == 1)
        return isPlainName(parts[0]) && parts[0].startsWith(QLatin1Char('v'));
    for (const QString& root : {kMiseRoot, kAsdfRoot}) {
        if (const QStringList parts = below(root); parts.size() == 2)
            return isPlainName(parts[0]) && isPlainName(parts[1]);
    }
    return false;
}
