#include "platform/SafeDelete.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace SafeDelete {
namespace {

class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd& operator=(Fd&& other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

private:
    int m_fd;
};

bool isCleanAbsolute(const QString& path)
{
    return !path.isEmpty() && QDir::isAbsolutePath(path) && QDir::cleanPath(path) == path;
}

// "/" is never a deletion root: a caller that lost its home folder (an
// empty or "/" HOME) must not get the whole file system as its cache.
bool isDeletionRoot(const QString& root)
{
    return isCleanAbsolute(root) && root != QLatin1String("/");
}

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool removeEntry(int parent, const char* name);

// Removes everything inside an open folder. Names are listed first, then
// removed, so the listing is not disturbed by the removal.
bool removeContents(int folder)
{
    const int listFd = ::openat(folder, ".", kDirFlags);
    if (listFd < 0)
        return false;
    DIR* dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return false;
    }
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(dir)) {
        const char* n = entry->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        names.emplace_back(n);
    }
    ::closedir(dir);
    bool ok = true;
    for (const QByteArray& name : names)
        ok = removeEntry(folder, name.constData()) && ok;
    return ok;
}

bool removeEntry(int parent, const char* name)
{
    struct stat info;
    if (::fstatat(parent, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (S_ISDIR(info.st_mode)) {
        Fd child(::openat(parent, name, kDirFlags));
        if (!child.valid())
            return false;
        const bool ok = removeContents(child.get());
        return ::unlinkat(parent, name, AT_REMOVEDIR) == 0 ? ok : false;
    }
    return ::unlinkat(parent, name, 0) == 0 || errno == ENOENT;
}

struct Walk {
    Outcome failure = Outcome::removed; // meaningful when !fd.valid()
    Fd fd;
};

// Opens the folder at `relativeParts` below root, refusing links on the way.
Walk openBelow(const QString& root, const QStringList& relativeParts)
{
    Walk walk;
    walk.fd = Fd(::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!walk.fd.valid()) {
        walk.failure = errno == ENOENT ? Outcome::missing : Outcome::failed;
        return walk;
    }
    for (const QString& part : relativeParts) {
        Fd next(::openat(walk.fd.get(), QFile::encodeName(part).constData(), kDirFlags));
        if (!next.valid()) {
            const int error = errno;
            walk.fd = Fd();
            walk.failure = error == ENOENT ? Outcome::missing
                         : (error == ELOOP || error == ENOTDIR) ? Outcome::refused
                                                                : Outcome::failed;
            return walk;
        }
        walk.fd = std::move(next);
    }
    return walk;
}

QStringList partsBelow(const QString& root, const QString& path)
{
    if (path == root)
        return {};
    return path.mid(root.size() + 1).split(QLatin1Char('/'));
}

} // namespace

bool isSaneHome(const QString& home)
{
    if (!isCleanAbsolute(home) || home == QLatin1String("/"))
        return false;
    return QFileInfo(home).isDir();
}

bool isStrictlyInside(const QString& root, const QString& path)
{
    if (!isCleanAbsolute(root) || !isCleanAbsolute(path) || path == root)
        return false;
    const QString prefix = root == QLatin1String("/") ? root : root + QLatin1Char('/');
    return path.startsWith(prefix);
}

Outcome removeInside(const QString& root, const QString& target)
{
    if (!isDeletionRoot(root) || !isStrictlyInside(root, target))
        return Outcome::refused;
    QStringList parts = partsBelow(root, target);
    const QByteArray leaf = QFile::encodeName(parts.takeLast());
    Walk parent = openBelow(root, parts);
    if (!parent.fd.valid())
        return parent.failure;
    struct stat info;
    if (::fstatat(parent.fd.get(), leaf.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? Outcome::missing : Outcome::failed;
    return removeEntry(parent.fd.get(), leaf.constData()) ? Outcome::removed : Outcome::failed;
}

Outcome removeChildren(const QString& root, const QString& folder)
{
    if (!isDeletionRoot(root) || (folder != root && !isStrictlyInside(root, folder)))
        return Outcome::refused;
    Walk target = openBelow(root, partsBelow(root, folder));
    if (!target.fd.valid())
        return target.failure;
    return removeContents(target.fd.get()) ? Outcome::removed : Outcome::failed;
}

} // namespace SafeDelete
