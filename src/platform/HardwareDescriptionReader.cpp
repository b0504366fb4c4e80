#include "platform/HardwareDescriptionReader.h"

#include "platform/PhysicalMemory.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <sys/utsname.h>
#include <unistd.h>

namespace {

// cpuinfo grows with the CPU count; the first processor's block is enough.
constexpr qint64 kCpuInfoLimit = 64 * 1024;

std::optional<QByteArray> readFile(const QString& path, qint64 limit = 64 * 1024)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.read(limit);
}

// Devicetree strings end in NUL; DMI values end in a newline.
QString cleanText(const QByteArray& raw)
{
    QByteArray text = raw;
    const qsizetype nul = text.indexOf('\0');
    if (nul >= 0)
        text.truncate(nul);
    return QString::fromUtf8(text).trimmed();
}

QString unquote(QByteArray value)
{
    value = value.trimmed();
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        const char quote = value.front();
        value = value.mid(1, value.size() - 2);
        if (quote == '"') {
            QByteArray plain;
            for (qsizetype i = 0; i < value.size(); ++i) {
                if (value[i] == '\\' && i + 1 < value.size())
                    ++i;
                plain.append(value[i]);
            }
            value = plain;
        }
    }
    return QString::fromUtf8(value);
}

} // namespace

HardwareDescriptionReader::HardwareDescriptionReader(SystemPaths paths) : m_paths(std::move(paths)) {}

const HardwareDescription& HardwareDescriptionReader::description()
{
    if (!m_description)
        m_description = read();
    return *m_description;
}

QString HardwareDescriptionReader::brandFromCpuInfo(const QByteArray& cpuinfo)
{
    for (const QByteArray& line : cpuinfo.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0 || line.left(colon).trimmed() != "model name")
            continue;
        return QString::fromUtf8(line.mid(colon + 1)).trimmed();
    }
    return {};
}

QString HardwareDescriptionReader::prettyNameFromOsRelease(const QByteArray& osRelease)
{
    QString pretty, name, version;
    for (const QByteArray& line : osRelease.split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0 || line.startsWith('#'))
            continue;
        const QByteArray key = line.left(equals).trimmed();
        if (key == "PRETTY_NAME")
            pretty = unquote(line.mid(equals + 1));
        else if (key == "NAME")
            name = unquote(line.mid(equals + 1));
        else if (key == "VERSION")
            version = unquote(line.mid(equals + 1));
    }
    if (!pretty.isEmpty())
        return pretty;
    return (name + QLatin1Char(' ') + version).trimmed();
}

HardwareDescription HardwareDescriptionReader::read() const
{
    HardwareDescription d;

    if (const auto model = readFile(m_paths.sys(QStringLiteral("firmware/devicetree/base/model"))))
        d.modelIdentifier = cleanText(*model);
    if (d.modelIdentifier.isEmpty()) {
        if (const auto product = readFile(m_paths.sys(QStringLiteral("class/dmi/id/product_name"))))
            d.modelIdentifier = cleanText(*product);
    }

    if (const auto cpuinfo = readFile(m_paths.proc(QStringLiteral("cpuinfo")), kCpuInfoLimit))
        d.processorBrand = brandFromCpuInfo(*cpuinfo);

    d.physicalMemoryBytes = physicalMemoryBytes();
    d.logicalCpuCount = int(std::max(::sysconf(_SC_NPROCESSORS_ONLN), 1L));

    auto osRelease = readFile(m_paths.etcRoot + QStringLiteral("/os-release"));
    if (!osRelease)
        osRelease = readFile(QDir::cleanPath(m_paths.etcRoot + QStringLiteral("/../usr/lib/os-release")));
    QString system = osRelease ? prettyNameFromOsRelease(*osRelease) : QString();
    if (system.isEmpty())
        system = QStringLiteral("Linux");

    QString kernel;
    if (const auto release = readFile(m_paths.proc(QStringLiteral("sys/kernel/osrelease"))))
        kernel = cleanText(*release);
    if (kernel.isEmpty()) {
        struct utsname names;
        if (::uname(&names) == 0)
            kernel = QString::fromUtf8(names.release);
    }
    d.osVersion = kernel.isEmpty() ? system : system + QStringLiteral(", kernel ") + kernel;
    return d;
}
