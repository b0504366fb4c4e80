#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

// Folder chains deeper than any path the kernel takes (built and reached
// through descriptors), and a cap on this process's descriptors.
namespace deeptree {

// Opens the folder `levels` steps of "d" below `top`, making the missing
// ones; -1 on failure. The caller closes it.
inline int openLevel(const QString& top, int levels, bool make)
{
    if (make && !QDir().mkpath(top))
        return -1;
    int fd = ::open(QFile::encodeName(top).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; fd >= 0 && i < levels; ++i) {
        if (make)
            ::mkdirat(fd, "d", 0755);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    return fd;
}

// Writes `bytes` bytes to `name` in the folder `levels` steps below `top`.
inline bool writeAt(const QString& top, int levels, const char* name, qsizetype bytes)
{
    const int folder = openLevel(top, levels, true);
    const int fd = folder < 0 ? -1 : ::openat(folder, name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const QByteArray data(bytes, 'x');
    const bool ok = fd >= 0 && ::write(fd, data.constData(), size_t(data.size())) == ssize_t(data.size());
    for (const int open : {fd, folder})
        if (open >= 0)
            ::close(open);
    return ok;
}

// `levels` nested folders below `top` with a file of `bytes` at the bottom
// and one of `bytes` halfway down.
inline bool make(const QString& top, int levels, qsizetype bytes)
{
    return writeAt(top, levels / 2, "half", bytes) && writeAt(top, levels, "bottom", bytes);
}

// The number of descriptors this process has open now, or the highest.
inline int descriptors(bool highest = false)
{
    int count = -1; // the listing's own
    int top = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(dir)) {
            count += entry->d_name[0] != '.';
            top = std::max(top, atoi(entry->d_name));
        }
        ::closedir(dir);
    }
    return highest ? top : count;
}

// Lowers the soft descriptor limit to `headroom` above the highest
// descriptor open now, for as long as it lives.
class DescriptorCap {
public:
    explicit DescriptorCap(int headroom)
    {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        rlimit capped = m_saved;
        capped.rlim_cur = rlim_t(descriptors(true) + 1 + headroom);
        m_applied = ::setrlimit(RLIMIT_NOFILE, &capped) == 0;
    }
    ~DescriptorCap() { ::setrlimit(RLIMIT_NOFILE, &m_saved); }
    DescriptorCap(const DescriptorCap&) = delete;
    DescriptorCap& operator=(const DescriptorCap&) = delete;
    bool applied() const { return m_applied; }

private:
    rlimit m_saved{};
    bool m_applied = false;
};

} // namespace deeptree
