#include "platform/VolumeSpace.h"

#include <QFile>

#include <sys/statvfs.h>

std::optional<VolumeSpace> VolumeSpace::of(const QString& path)
{
    struct statvfs info;
    if (path.isEmpty() || ::statvfs(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return VolumeSpace{quint64(info.f_blocks) * info.f_frsize, quint64(info.f_bfree) * info.f_frsize};
}
