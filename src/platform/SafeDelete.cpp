#include "platform/SafeDelete.h"

#include "platform/EntryIdentity.h"
#include "platform/FolderChain.h"
#include "platform/FolderEntries.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
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
    int release() { return std::exchange(m_fd, -1); }

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

QString joined(const QByteArray& folder, const QByteArray& name)
{
    return QFile::decodeName(name.isEmpty() ? folder : folder + '/' + name);
}

bool listNames(int folder, std::vector<QByteArray>& names)
{
    return FolderEntries::forEach(folder, [&names](const char* name, unsigned char) { names.emplace_back(name); });
}

// Removes everything inside the open folder `top` (taken), whose path is
// `path`, without leaving its file system. Walks down iteratively through a
// FolderChain, so any depth holds a bounded number of descriptors. Names
// are listed before they are removed, so the listing is not disturbed.
// Returns whether nothing stayed.
bool removeContents(int top, const QByteArray& path, DeletionLeftovers& left)
{
    FolderChain chain(top);
    if (!chain.usable()) {
        left.addEntry(joined(path, {}));
        return false;
    }
    const dev_t device = chain.info().st_dev;
    struct Level {
        QByteArray name;
        std::vector<QByteArray> names;
        std::size_t next = 0;
        bool leftSomething = false;
    };
    std::vector<Level> levels(1);
    const auto pathOf = [&](const QByteArray& name) {
        QByteArray full = path;
        for (std::size_t i = 1; i < levels.size(); ++i)
            full += '/' + levels[i].name;
        return joined(full, name);
    };
    if (!listNames(chain.fd(), levels.back().names)) {
        left.addEntry(pathOf({}));
        return false;
    }
    while (levels.size() > 1 || levels.back().next < levels.back().names.size()) {
        Level& level = levels.back();
        if (level.next < level.names.size()) {
            const QByteArray name = level.names[level.next++];
            EntryIdentity entry;
            if (const int error = EntryIdentity::of(chain.fd(), name.constData(), entry)) {
                if (error != ENOENT) {
                    left.addEntry(pathOf(name));
                    level.leftSomething = true;
                }
                continue;
            }
            if (entry.isMountPointOn(device)) {
                left.addMountPoint(pathOf(name));
                level.leftSomething = true;
                continue;
            }
            if (!S_ISDIR(entry.mode)) {
                if (::unlinkat(chain.fd(), name.constData(), 0) != 0 && errno != ENOENT) {
                    left.addEntry(pathOf(name));
                    level.leftSomething = true;
                }
                continue;
            }
            const int error = chain.enter(name.constData());
            if (error == ENOENT)
                continue;
            // What was opened must be what was looked at: a folder swapped
            // in between is left alone.
            if (error != 0 || chain.info().st_dev != entry.dev || chain.info().st_ino != entry.ino) {
                if (error == 0 && !chain.leave()) {
                    left.addEntry(pathOf(name));
                    return false;
                }
                left.addEntry(pathOf(name));
                level.leftSomething = true;
                continue;
            }
            Level child;
            child.name = name;
            listNames(chain.fd(), child.names); // what stays makes the removal below fail
            levels.push_back(std::move(child));
            continue;
        }
        // Every entry of this folder was tried: remove the folder itself.
        const Level done = std::move(levels.back());
        levels.pop_back();
        if (!chain.leave()) {
            // Moved away while being emptied: stop rather than follow it.
            left.addEntry(pathOf(done.name));
            return false;
        }
        if (::unlinkat(chain.fd(), done.name.constData(), AT_REMOVEDIR) != 0 && errno != ENOENT) {
            if (!done.leftSomething)
                left.addEntry(pathOf(done.name));
            levels.back().leftSomething = true;
        } else if (done.leftSomething) {
            levels.back().leftSomething = true;
        }
    }
    return !levels.back().leftSomething;
}

struct Walk {
    Outcome failure = Outcome::removed; // meaningful when !fd.valid()
    int error = 0;                      // the errno behind the failure
    Fd fd;
};

Walk unreached(int error, Outcome failure)
{
    Walk walk;
    walk.error = error;
    walk.failure = failure;
    return walk;
}

// Opens the folder at `relativeParts` below root, refusing links on the way.
// A file where a folder should be means the folder is not there.
Walk openBelow(const QString& root, const QStringList& relativeParts)
{
    Walk walk;
    walk.fd = Fd(::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!walk.fd.valid())
        return unreached(errno, errno == ENOENT ? Outcome::missing : Outcome::failed);
    for (const QString& part : relativeParts) {
        const QByteArray name = QFile::encodeName(part);
        Fd next(::openat(walk.fd.get(), name.constData(), kDirFlags));
        if (!next.valid()) {
            const int error = errno;
            struct stat info;
            if (error == ELOOP || error == ENOTDIR) {
                const bool link = ::fstatat(walk.fd.get(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0
                                  && S_ISLNK(info.st_mode);
                return link ? unreached(ELOOP, Outcome::refused) : unreached(ENOENT, Outcome::missing);
            }
            return unreached(error, error == ENOENT ? Outcome::missing : Outcome::failed);
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

// A target looked at, without following it, from its opened parent.
struct Leaf {
    Walk parent;
    dev_t parentDevice = 0;
    QByteArray name;
    EntryIdentity entry;
};

Leaf lookAt(const QString& root, const QString& target)
{
    Leaf leaf;
    QStringList parts = partsBelow(root, target);
    leaf.name = QFile::encodeName(parts.takeLast());
    leaf.parent = openBelow(root, parts);
    if (!leaf.parent.fd.valid())
        return leaf;
    struct stat info;
    int error = ::fstat(leaf.parent.fd.get(), &info) != 0 ? errno : 0;
    if (error == 0)
        error = EntryIdentity::of(leaf.parent.fd.get(), leaf.name.constData(), leaf.entry);
    if (error != 0) {
        leaf.parent = unreached(error, error == ENOENT ? Outcome::missing : Outcome::failed);
        return leaf;
    }
    leaf.parentDevice = info.st_dev;
    return leaf;
}

// Opens the folder a leaf names, checked to be the entry looked at: a
// folder swapped in between is not it. -1 with errno set otherwise.
int openLeafFolder(const Leaf& leaf)
{
    const int fd = ::openat(leaf.parent.fd.get(), leaf.name.constData(), kDirFlags);
    if (fd < 0)
        return -1;
    struct stat opened;
    if (::fstat(fd, &opened) != 0 || opened.st_dev != leaf.entry.dev || opened.st_ino != leaf.entry.ino) {
        ::close(fd);
        errno = ESTALE;
        return -1;
    }
    return fd;
}

// A target that could not be reached: a refusal is said, the rest is not.
Outcome notReached(const Walk& walk, const QString& target, DeletionLeftovers* left)
{
    if (walk.failure == Outcome::refused && left)
        left->addRefusal(target);
    return walk.failure;
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

Outcome removeInside(const QString& root, const QString& target, DeletionLeftovers* left)
{
    if (!isDeletionRoot(root) || !isStrictlyInside(root, target))
        return Outcome::refused;
    const Leaf leaf = lookAt(root, target);
    if (!leaf.parent.fd.valid())
        return notReached(leaf.parent, target, left);
    DeletionLeftovers stayed;
    const QByteArray path = QFile::encodeName(target);
    if (leaf.entry.isMountPointOn(leaf.parentDevice)) {
        stayed.addMountPoint(target);
    } else if (S_ISDIR(leaf.entry.mode)) {
        const int fd = openLeafFolder(leaf);
        if (fd < 0 && errno == ENOENT)
            return Outcome::missing;
        if (fd < 0) {
            stayed.addEntry(target);
        } else if (removeContents(fd, path, stayed)
                   && ::unlinkat(leaf.parent.fd.get(), leaf.name.constData(), AT_REMOVEDIR) != 0 && errno != ENOENT) {
            stayed.addEntry(target);
        }
    } else if (::unlinkat(leaf.parent.fd.get(), leaf.name.constData(), 0) != 0 && errno != ENOENT) {
        stayed.addEntry(target);
    }
    if (left)
        left->add(stayed);
    return stayed.any() ? Outcome::failed : Outcome::removed;
}

Outcome removeChildren(const QString& root, const QString& folder, DeletionLeftovers* left)
{
    if (!isDeletionRoot(root) || (folder != root && !isStrictlyInside(root, folder)))
        return Outcome::refused;
    Walk target = openBelow(root, partsBelow(root, folder));
    if (!target.fd.valid())
        return notReached(target, folder, left);
    DeletionLeftovers stayed;
    removeContents(::fcntl(target.fd.get(), F_DUPFD_CLOEXEC, 0), QFile::encodeName(folder), stayed);
    if (left)
        left->add(stayed);
    return stayed.any() ? Outcome::failed : Outcome::removed;
}

int openReach(const QString& root, const QString& folder, Scope scope)
{
    const bool inside = isStrictlyInside(root, folder) || (scope == Scope::contents && folder == root);
    if (!isDeletionRoot(root) || !inside) {
        errno = EINVAL;
        return -1;
    }
    if (scope == Scope::contents) {
        Walk walk = openBelow(root, partsBelow(root, folder));
        errno = walk.error;
        return walk.fd.release();
    }
    const Leaf leaf = lookAt(root, folder);
    if (!leaf.parent.fd.valid()) {
        errno = leaf.parent.error;
        return -1;
    }
    // A removal leaves a mount point whole and unlinks what is not a folder.
    if (leaf.entry.isMountPointOn(leaf.parentDevice) || !S_ISDIR(leaf.entry.mode)) {
        errno = S_ISDIR(leaf.entry.mode) ? EXDEV : ENOTDIR;
        return -1;
    }
    return openLeafFolder(leaf);
}

} // namespace SafeDelete
