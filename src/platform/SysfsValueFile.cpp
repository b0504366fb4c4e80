#include "platform/SysfsValueFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Attributes hold a number or a short word; a label can be longer but never
// near this.
constexpr qsizetype kMaxValueSize = 4096;

bool isTrimmed(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\0'; }

QByteArray trimmed(const char* data, qsizetype size)
{
    qsizetype begin = 0;
    while (begin < size && isTrimmed(data[begin]))
        ++begin;
    while (size > begin && isTrimmed(data[size - 1]))
        --size;
    return QByteArray(data + begin, size - begin);
}

int openPath(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

std::optional<QByteArray> readFrom(int fd)
{
    char buffer[kMaxValueSize];
    ssize_t n;
    do {
        n = ::pread(fd, buffer, sizeof buffer, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return std::nullopt;
    return trimmed(buffer, n);
}

} // namespace

SysfsValueFile::SysfsValueFile(QString path) : m_path(std::move(path)) {}

SysfsValueFile::~SysfsValueFile() { close(); }

SysfsValueFile::SysfsValueFile(SysfsValueFile&& other) noexcept : m_path(std::move(other.m_path)), m_fd(other.m_fd)
{
    other.m_fd = -1;
}

SysfsValueFile& SysfsValueFile::operator=(SysfsValueFile&& other) noexcept
{
    if (this != &other) {
        close();
        m_path = std::move(other.m_path);
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

bool SysfsValueFile::ensureOpen()
{
    if (m_fd < 0 && !m_path.isEmpty())
        m_fd = openPath(m_path);
    return m_fd >= 0;
}

void SysfsValueFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

std::optional<QByteArray> SysfsValueFile::readText(bool keepOpen)
{
    if (!keepOpen && m_fd < 0) {
        const int fd = m_path.isEmpty() ? -1 : openPath(m_path);
        if (fd < 0)
            return std::nullopt;
        auto value = readFrom(fd);
        ::close(fd);
        return value;
    }
    if (!ensureOpen())
        return std::nullopt;
    auto value = readFrom(m_fd);
    if (!value)
        close();
    return value;
}

std::optional<qint64> SysfsValueFile::readInteger(bool keepOpen)
{
    const auto text = readText(keepOpen);
    return text ? parseInteger(*text) : std::nullopt;
}

std::optional<qint64> SysfsValueFile::parseInteger(const QByteArray& text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok, 10);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

std::optional<QByteArray> SysfsValueFile::readOnce(const QString& path)
{
    const int fd = openPath(path);
    if (fd < 0)
        return std::nullopt;
    auto value = readFrom(fd);
    ::close(fd);
    return value;
}
