#pragma once

#include "platform/HardwareDescription.h"
#include "platform/SystemPaths.h"

#include <QByteArray>

// Reads the machine's description: the model from the devicetree or DMI, the
// processor brand from /proc/cpuinfo, memory and logical CPUs from sysconf,
// and the OS version from os-release and the kernel release. None of this
// changes while the machine runs, so it is read once and kept.
class HardwareDescriptionReader {
public:
    explicit HardwareDescriptionReader(SystemPaths paths = SystemPaths::live());

    const HardwareDescription& description();

    // The value of the first "model name" line of a /proc/cpuinfo text.
    static QString brandFromCpuInfo(const QByteArray& cpuinfo);
    // The PRETTY_NAME of an os-release text (NAME and VERSION when missing),
    // with its shell quoting removed.
    static QString prettyNameFromOsRelease(const QByteArray& osRelease);

private:
    HardwareDescription read() const;

    SystemPaths m_paths;
    std::optional<HardwareDescription> m_description;
};
