#include "platform/AbstractSocketNote.h"

#include <QFile>
#include <QRandomGenerator>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int kRandomBytes = 16;

QString namePrefix()
{
    return QStringLiteral("kestrova-%1-").arg(::geteuid());
}

bool isFreshName(const QByteArray& text)
{
    const QByteArray prefix = namePrefix().toLatin1();
    if (!text.startsWith(prefix) || text.size() != prefix.size() + 2 * kRandomBytes)
        return false;
    for (qsizetype i = prefix.size(); i < text.size(); ++i)
        if (!std::isxdigit(static_cast<unsigned char>(text[i])))
            return false;
    return true;
}

} // namespace

namespace AbstractSocketNote {

bool pathFits(const QString& path)
{
    // Qt keeps room for two NULs (one leads an abstract name) and refuses
    // a longer path.
    return QFile::encodeName(path).size() + 2 <= qsizetype(sizeof(sockaddr_un::sun_path));
}

QString freshName()
{
    QByteArray random(kRandomBytes, Qt::Uninitialized);
    QRandomGenerator::system()->generate(random.begin(), random.end());
    return namePrefix() + QString::fromLatin1(random.toHex());
}

bool write(const QString& path, const QString& name, QString* failure)
{
    const QByteArray target = QFile::encodeName(path);
    const QByteArray staging = target + ".new";
    const QByteArray text = name.toLatin1() + '\n';
    const int fd = ::open(staging.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    int error = fd < 0 ? errno : 0;
    if (fd >= 0) {
        const ssize_t done = ::write(fd, text.constData(), size_t(text.size()));
        error = done < 0 ? errno : done != text.size() ? ENOSPC : 0;
        if (::close(fd) != 0 && error == 0)
            error = errno;
    }
    if (error == 0 && ::rename(staging.constData(), target.constData()) != 0)
        error = errno;
    const bool written = error == 0;
    if (!written) {
        *failure = QString::fromLocal8Bit(std::strerror(error));
        ::unlink(staging.constData());
    }
    return written;
}

QString read(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct stat info {};
    char text[128];
    const bool ours = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid();
    const ssize_t size = ours ? ::read(fd, text, sizeof text) : -1;
    ::close(fd);
    const QByteArray name = size > 0 ? QByteArray(text, size).trimmed() : QByteArray();
    return isFreshName(name) ? QString::fromLatin1(name) : QString();
}

} // namespace AbstractSocketNote
