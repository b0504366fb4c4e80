#pragma once

#include "platform/KeptOpenFile.h"

#include <QString>

#include <optional>
#include <vector>

// Memory held by zram devices (compressed pages plus their overhead), from
// <sysRoot>/block/zram*/mm_stat. Devices are found once, at construction.
class ZramStatReader {
public:
    explicit ZramStatReader(const QString& sysRoot);

    // Bytes over all devices; absent when there is no readable device.
    std::optional<quint64> compressedBytes();

    std::size_t deviceCount() const { return m_files.size(); }

private:
    std::vector<KeptOpenFile> m_files;
};
