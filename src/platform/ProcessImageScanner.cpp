#include "platform/ProcessImageScanner.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Beyond this many remembered entries something is odd; start afresh.
constexpr std::size_t kRememberLimit = 65536;

pid_t pidFromName(const char* name)
{
    if (*name == 0)
        return 0;
    long value = 0;
    for (; *name; ++name) {
        if (*name < '0' || *name > '9' || value > 100000000)
            return 0;
        value = value * 10 + (*name - '0');
    }
    return pid_t(value);
}

// Reads up to `size` bytes of a file below the open /proc folder.
ssize_t readSmall(int procFd, const char* relative, char* buffer, std::size_t size)
{
    const int fd = ::openat(procFd, relative, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    ssize_t n;
    do {
        n = ::read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    ::close(fd);
    return n;
}

} // namespace

ProcessImageScanner::ProcessImageScanner(QString procRoot) : m_procRoot(std::move(procRoot)) {}

bool ProcessImageScanner::any(const std::function<bool(std::string_view image)>& matches)
{
    const QByteArray root = QFile::encodeName(m_procRoot);
    const int procFd = ::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (procFd < 0)
        return false;
    DIR* dir = ::fdopendir(procFd);
    if (!dir) {
        ::close(procFd);
        return false;
    }
    if (m_withoutImage.size() > kRememberLimit)
        m_withoutImage.clear();

    std::unordered_map<pid_t, ino_t> stillWithoutImage;
    bool found = false;
    char relative[sizeof(dirent::d_name) + 16];
    char image[4096];
    while (!found) {
        const dirent* entry = ::readdir(dir);
        if (!entry)
            break;
        const pid_t pid = pidFromName(entry->d_name);
        if (pid <= 0)
            continue;
        if (const auto known = m_withoutImage.find(pid); known != m_withoutImage.end() && known->second == entry->d_ino) {
            stillWithoutImage.emplace(pid, entry->d_ino);
            continue;
        }

        std::snprintf(relative, sizeof relative, "%s/exe", entry->d_name);
        ssize_t n = ::readlinkat(procFd, relative, image, sizeof image);
        if (n <= 0) {
            // argv[0]: the command line up to its first NUL.
            std::snprintf(relative, sizeof relative, "%s/cmdline", entry->d_name);
            n = readSmall(procFd, relative, image, sizeof image);
            if (n > 0)
                n = ssize_t(::strnlen(image, std::size_t(n)));
        }
        bool withoutImage = false;
        if (n <= 0) {
            withoutImage = true;
            std::snprintf(relative, sizeof relative, "%s/comm", entry->d_name);
            n = readSmall(procFd, relative, image, sizeof image);
            while (n > 0 && (image[n - 1] == '\n' || image[n - 1] == '\0'))
                --n;
        }
        if (n > 0)
            found = matches(std::string_view(image, std::size_t(n)));
        if (withoutImage && !found)
            stillWithoutImage.emplace(pid, entry->d_ino);
    }
    ::closedir(dir);
    // Only a full walk knows which processes are gone.
    if (found) {
        for (const auto& [pid, inode] : stillWithoutImage)
            m_withoutImage[pid] = inode;
    } else
        m_withoutImage = std::move(stillWithoutImage);
    return found;
}
