#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>

// An entry of a folder as lstat sees it, and whether a mount sits on it.
// Deletion and sizing both look at entries through it, so what a size counts
// and what a removal takes stay on the same side of every mount point.
struct EntryIdentity {
    mode_t mode = 0;
    dev_t dev = 0;
    ino_t ino = 0;
    std::int64_t size = 0;
    nlink_t links = 0;
    bool mountRoot = false;

    // Describes `name` in the open folder `folder`. Returns 0 or the errno.
    // Never follows a link nor triggers an automount.
    static int of(int folder, const char* name, EntryIdentity& entry);

    // Another file system than `device`, or another mount of the same one
    // (a bind mount keeps the device id, so the mount-root flag tells it).
    // Holds for a file mounted over a file as well as for folders.
    bool isMountPointOn(dev_t device) const { return mountRoot || dev != device; }
};
