#pragma once

#include <QString>

#include <optional>

// Capacity and free space of the volume holding a path (statvfs). Free
// counts every free block, including those reserved for root, so used =
// total - free matches what the file system has allocated.
struct VolumeSpace {
    quint64 totalBytes = 0;
    quint64 freeBytes = 0;

    static std::optional<VolumeSpace> of(const QString& path);
};
