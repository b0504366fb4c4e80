#include "platform/SysfsValueFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Attributes hold a number or a short word; a label can be longer but never
// near this.
constexpr std::size_t kMaxValueSize = 4096;

bool isTrimmed(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\0'; }

QByteArray trimmed(std::string_view text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && isTrimmed(text[begin]))
        ++begin;
    while (end > begin && isTrimmed(text[end - 1]))
        --end;
    return QByteArray(text.data() + begin, qsizetype(end - begin));
}

} // namespace

SysfsValueFile::SysfsValueFile(QString path) : m_file(std::move(path), 256) {}

std::optional<QByteArray> SysfsValueFile::readText(bool keepOpen)
{
    if (!keepOpen)
        return readOnce(m_file.path());
    std::string_view content;
    if (!m_file.read(content))
        return std::nullopt;
    return trimmed(content);
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
    const QByteArray native = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return std::nullopt;
    char buffer[kMaxValueSize];
    ssize_t n;
    do {
        n = ::read(fd, buffer, sizeof buffer);
    } while (n < 0 && errno == EINTR);
    ::close(fd);
    if (n < 0)
        return std::nullopt;
    return trimmed(std::string_view(buffer, std::size_t(n)));
}
