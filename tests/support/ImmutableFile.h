#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

// Marks a file or folder immutable (chattr +i) for as long as it lives, so
// that not even root can remove it or change what it holds. Needs
// CAP_LINUX_IMMUTABLE and a file system that keeps the flag: usable() says
// whether it took.
class ImmutableFile {
public:
    // `name` in the open folder `folder` (AT_FDCWD for a plain path).
    ImmutableFile(int folder, const char* name) : m_fd(::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC))
    {
        m_set = setFlag(true);
    }
    ~ImmutableFile() { release(); }
    ImmutableFile(const ImmutableFile&) = delete;
    ImmutableFile& operator=(const ImmutableFile&) = delete;

    bool usable() const { return m_set; }
    void release()
    {
        if (m_set)
            setFlag(false);
        m_set = false;
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    bool setFlag(bool on) const
    {
        int flags = 0;
        if (m_fd < 0 || ::ioctl(m_fd, FS_IOC_GETFLAGS, &flags) != 0)
            return false;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        return ::ioctl(m_fd, FS_IOC_SETFLAGS, &flags) == 0;
    }

    int m_fd;
    bool m_set = false;
};
