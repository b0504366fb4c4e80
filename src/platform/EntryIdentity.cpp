#include "platform/EntryIdentity.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/sysmacros.h>

int EntryIdentity::of(int folder, const char* name, EntryIdentity& entry)
{
    struct statx info;
    constexpr unsigned kFields = STATX_TYPE | STATX_INO | STATX_SIZE | STATX_NLINK;
    if (::statx(folder, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kFields, &info) != 0)
        return errno;
    entry.mode = info.stx_mode;
    entry.dev = makedev(info.stx_dev_major, info.stx_dev_minor);
    entry.ino = info.stx_ino;
    entry.size = std::int64_t(info.stx_size);
    entry.links = info.stx_nlink;
    entry.mountRoot = (info.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (info.stx_attributes & STATX_ATTR_MOUNT_ROOT);
    return 0;
}
