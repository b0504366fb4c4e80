#include "platform/FolderChain.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool sameFolder(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

} // namespace

FolderChain::FolderChain(int top, int kept) : m_kept(std::max(kept, 2))
{
    struct stat info;
    if (top >= 0 && ::fstat(top, &info) == 0 && S_ISDIR(info.st_mode)) {
        m_levels.push_back({top, info});
    } else if (top >= 0) {
        ::close(top);
    }
}

FolderChain::~FolderChain()
{
    for (std::size_t i = std::size_t(m_lowestOpen); i < m_levels.size(); ++i) {
        if (m_levels[i].fd >= 0)
            ::close(m_levels[i].fd);
    }
}

void FolderChain::push(int fd, const struct stat& info)
{
    m_levels.push_back({fd, info});
    if (openCount() > m_kept) {
        ::close(m_levels[std::size_t(m_lowestOpen)].fd);
        m_levels[std::size_t(m_lowestOpen)].fd = -1;
        ++m_lowestOpen;
    }
}

int FolderChain::enter(const char* name)
{
    const int child = ::openat(fd(), name, kFolderFlags);
    if (child < 0)
        return errno;
    struct stat info;
    if (::fstat(child, &info) != 0) {
        const int error = errno;
        ::close(child);
        return error;
    }
    push(child, info);
    return 0;
}

void FolderChain::enter(int fd, const struct stat& info) { push(fd, info); }

bool FolderChain::leave()
{
    if (m_levels.size() < 2)
        return false;
    Level gone = m_levels.back();
    m_levels.pop_back();
    Level& parent = m_levels.back();
    if (parent.fd < 0) {
        // Reopened through the child still open; it must be the folder we
        // came down through.
        const int up = gone.fd >= 0 ? ::openat(gone.fd, "..", kFolderFlags) : -1;
        struct stat info;
        if (up >= 0 && ::fstat(up, &info) == 0 && sameFolder(info, parent.info)) {
            parent.fd = up;
            m_lowestOpen = int(m_levels.size()) - 1;
        } else if (up >= 0) {
            ::close(up);
        }
    }
    if (gone.fd >= 0)
        ::close(gone.fd);
    if (parent.fd < 0) {
        m_levels.clear();
        m_lowestOpen = 0;
        return false;
    }
    return true;
}
