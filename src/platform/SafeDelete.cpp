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

Outcome removeInside(const QString& root, const QString& target, DeletionLeftovers* left)
{
    if (!isDeletionRoot(root) || !isStrictlyInside(root, target))
        return Outcome::refused;
    QStringList parts = partsBelow(root, target);
    const QByteArray leaf = QFile::encodeName(parts.takeLast());
    Walk parent = openBelow(root, parts);
    if (!parent.fd.valid())
        return parent.failure;
    struct stat parentInfo;
    EntryIdentity entry;
    if (::fstat(parent.fd.get(), &parentInfo) != 0)
        return Outcome::failed;
    if (const int error = EntryIdentity::of(parent.fd.get(), leaf.constData(), entry))
        return error == ENOENT ? Outcome::missing : Outcome::failed;
    DeletionLeftovers stayed;
    const QByteArray path = QFile::encodeName(target);
    if (entry.isMountPointOn(parentInfo.st_dev)) {
        stayed.addMountPoint(target);
    } else if (S_ISDIR(entry.mode)) {
        const int fd = ::openat(parent.fd.get(), leaf.constData(), kDirFlags);
        if (fd < 0 && errno == ENOENT)
            return Outcome::missing;
        struct stat opened;
        if (fd < 0 || ::fstat(fd, &opened) != 0 || opened.st_dev != entry.dev || opened.st_ino != entry.ino) {
            if (fd >= 0)
                ::close(fd);
            stayed.addEntry(target);
        } else if (removeContents(fd, path, stayed)
                   && ::unlinkat(parent.fd.get(), leaf.constData(), AT_REMOVEDIR) != 0 && errno != ENOENT) {
            stayed.addEntry(target);
        }
    } else if (::unlinkat(parent.fd.get(), leaf.constData(), 0) != 0 && errno != ENOENT) {
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
        return target.failure;
    DeletionLeftovers stayed;
    removeContents(::fcntl(target.fd.get(), F_DUPFD_CLOEXEC, 0), QFile::encodeName(folder), stayed);
    if (left)
        left->add(stayed);
    return stayed.any() ? Outcome::failed : Outcome::removed;
}

} // namespace SafeDelete
