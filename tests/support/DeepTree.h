#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
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

// Writes `bytes` bytes to `name` in the open folder `folder`.
inline bool writeAt(int folder, const char* name, qsizetype bytes)
{
    const int fd = ::openat(folder, name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const QByteArray data(bytes, 'x');
    const bool ok = ::write(fd, data.constData(), size_t(data.size())) == ssize_t(data.size());
    ::close(fd);
    return ok;
}

// `levels` nested folders below `top` with a file of `bytes` at the bottom
// and one of `bytes` halfway down.
inline bool make(const QString& top, int levels, qsizetype bytes)
{
    const int half = openLevel(top, levels / 2, true);
    const bool halfOk = half >= 0 && writeAt(half, "half", bytes);
    if (half >= 0)
        ::close(half);
    const int bottom = openLevel(top, levels, true);
    const bool bottomOk = bottom >= 0 && writeAt(bottom, "bottom", bytes);
    if (bottom >= 0)
        ::close(bottom);
    return halfOk && bottomOk;
}

// Descriptors this process has open now.
inline int openDescriptors()
{
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(dir))
            count += entry->d_name[0] != '.';
        ::closedir(dir);
        --count; // the listing's own
    }
    return count;
}

// Lowers the soft descriptor limit to `headroom` above the highest
// descriptor open now, for as long as it lives.
class DescriptorCap {
public:
    explicit DescriptorCap(int headroom)
    {
        int highest = 0;
        if (DIR* dir = ::opendir("/proc/self/fd")) {
            while (const dirent* entry = ::readdir(dir))
                highest = std::max(highest, atoi(entry->d_name));
            ::closedir(dir);
        }
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        rlimit capped = m_saved;
        capped.rlim_cur = rlim_t(highest + 1 + headroom);
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
