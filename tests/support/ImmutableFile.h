#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

// Sets or clears the immutable flag of an open file or folder.
inline bool setImmutableFlag(int fd, bool on)
{
    int flags = 0;
    if (fd < 0 || ::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0)
        return false;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    return ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
}

// Marks a file immutable (chattr +i) for as long as it lives, so that not
// even root can remove it. Needs CAP_LINUX_IMMUTABLE and a file system that
// keeps the flag: usable() says whether it took.
class ImmutableFile {
public:
    // `folder` is an open folder holding `name`.
    ImmutableFile(int folder, const char* name) : m_fd(::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC))
    {
        m_set = setImmutableFlag(m_fd, true);
    }
    ~ImmutableFile() { release(); }
    ImmutableFile(const ImmutableFile&) = delete;
    ImmutableFile& operator=(const ImmutableFile&) = delete;

    bool usable() const { return m_set; }
    void release()
    {
        if (m_set)
            setImmutableFlag(m_fd, false);
        m_set = false;
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
    bool m_set = false;
};
