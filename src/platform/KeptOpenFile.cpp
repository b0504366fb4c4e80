#include "platform/KeptOpenFile.h"

#include "platform/DescriptorBudget.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {
// A pseudo-file larger than this is not what we expect to read.
constexpr std::size_t kMaxSize = 16u << 20;
}

KeptOpenFile::KeptOpenFile(QString path, std::size_t initialCapacity)
    : m_path(std::move(path)), m_nativePath(QFile::encodeName(m_path)), m_buffer(std::max<std::size_t>(initialCapacity, 64))
{
}

KeptOpenFile::KeptOpenFile(KeptOpenFile&& other) noexcept
    : m_path(std::move(other.m_path)), m_nativePath(std::move(other.m_nativePath)), m_fd(other.m_fd),
      m_kept(other.m_kept), m_buffer(std::move(other.m_buffer))
{
    other.m_fd = -1;
    other.m_kept = false;
}

KeptOpenFile::~KeptOpenFile() { close(); }

bool KeptOpenFile::ensureOpen()
{
    if (m_fd >= 0)
        return true;
    do {
        m_fd = ::open(m_nativePath.constData(), O_RDONLY | O_CLOEXEC);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0)
        return false;
    m_kept = DescriptorBudget::process().take();
    return true;
}

void KeptOpenFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (m_kept)
        DescriptorBudget::process().give();
    m_kept = false;
}

bool KeptOpenFile::read(std::string_view& content)
{
    content = {};
    if (!ensureOpen())
        return false;
    for (;;) {
        // One pread covers the whole content: /proc and /sys hand out
        // everything that fits in one call, and a regular file (fixtures)
        // reads short only at its end. A full buffer means there may be more.
        ssize_t n;
        do {
            n = ::pread(m_fd, m_buffer.data(), m_buffer.size(), 0);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            close();
            return false;
        }
        if (std::size_t(n) < m_buffer.size() || m_buffer.size() >= kMaxSize) {
            content = std::string_view(m_buffer.data(), std::size_t(n));
            if (!m_kept)
                close();
            return true;
        }
        m_buffer.resize(m_buffer.size() * 2);
    }
}
