#include "platform/EntryIdentity.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/sysmacros.h>

int EntryIdentity::of(int folder, const char* name, EntryIdentity& entry)
{
    struct statx info;
    if (::statx(folder, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_TYPE | STATX_INO, &info) != 0)
        return errno;
    entry.mode = info.stx_mode;
    entry.dev = makedev(info.stx_dev_major, info.stx_dev_minor);
    entry.ino = info.stx_ino;
    entry.mountRoot = (info.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (info.stx_attributes & STATX_ATTR_MOUNT_ROOT);
    return 0;
}
