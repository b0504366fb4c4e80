#pragma once

#include <dirent.h>
#include <unistd.h>

// Lists an open folder through its own descriptor, with no second
// descriptor and no DIR stream: onEntry(name, d_type) for every entry but
// "." and "..". d_type may be DT_UNKNOWN. Returns false when the folder
// could not be read to its end.
namespace FolderEntries {

template <typename OnEntry>
bool forEach(int fd, OnEntry&& onEntry)
{
    if (::lseek(fd, 0, SEEK_SET) < 0)
        return false;
    alignas(struct dirent64) char buffer[32 * 1024];
    for (;;) {
        const ssize_t length = ::getdents64(fd, buffer, sizeof buffer);
        if (length <= 0)
            return length == 0;
        for (ssize_t at = 0; at < length;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
            at += entry->d_reclen;
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            onEntry(name, entry->d_type);
        }
    }
}

} // namespace FolderEntries
