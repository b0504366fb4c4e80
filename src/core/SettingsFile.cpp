#include "core/SettingsFile.h"

#include "core/Print.h"
#include "core/ProcessRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSettings>
#include <QStringDecoder>

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

// QSettings reads a serialized variant ("@Variant(...)", "@DateTime(...)",
// also spelt with escapes) by recursion, one level per nested value, and
// every level takes at least four bytes of the line; a deep enough nest
// overflows the stack. A line that could hold one is therefore read only
// while it is short enough to nest no deeper than this.
constexpr qsizetype kMaxVariantDepth = 64;
constexpr qsizetype kMaxVariantLineChars = 4 * kMaxVariantDepth;
// No setting of ours comes near this.
constexpr qsizetype kMaxLineChars = 64 * 1024;

bool lineIsBounded(qsizetype chars, bool mayHoldVariant)
{
    return chars <= (mayHoldVariant ? kMaxVariantLineChars : kMaxLineChars);
}

// Splits the text into lines as QSettings does (a quoted newline, or one
// after a backslash, carries the line on) and bounds each line. A line that
// holds an "@" or an escape could hold a serialized variant.
bool linesAreBounded(QStringView text)
{
    qsizetype lineStart = 0;
    bool inQuotes = false;
    bool comment = false;
    bool blank = true;
    bool mayHoldVariant = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\n' || c == u'\r') {
            if (inQuotes && !comment)
                continue;
            if (!lineIsBounded(i - lineStart, mayHoldVariant))
                return false;
            lineStart = i + 1;
            inQuotes = comment = mayHoldVariant = false;
            blank = true;
            continue;
        }
        if (comment)
            continue;
        if (blank && c == u';') {
            comment = true;
            continue;
        }
        blank = blank && (c == u' ' || c == u'\t');
        if (c == u'\\') {
            mayHoldVariant = true;
            // The escaped character is taken whatever it is, a line break
            // (with its other half) included.
            if (++i + 1 < text.size() && (text[i] == u'\n' || text[i] == u'\r')
                && (text[i + 1] == u'\n' || text[i + 1] == u'\r') && text[i + 1] != text[i])
                ++i;
        } else if (c == u'"') {
            inQuotes = !inQuotes;
        } else if (c == u'@') {
            mayHoldVariant = true;
        }
    }
    return lineIsBounded(text.size() - lineStart, mayHoldVariant);
}

// What QSettings' INI reader takes without dropping anything, and reads
// within bounded time and stack: UTF-8 text made of blank lines, comments,
// [sections] and key=value lines.
bool parsesCleanly(const QByteArray& bytes)
{
    if (bytes.contains('\0'))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (utf8.hasError() || !linesAreBounded(text))
        return false;
    for (const QString& raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if ((line.startsWith(u'[') && line.endsWith(u']')) || line.indexOf(u'=') > 0)
            continue;
        return false;
    }
    return true;
}
qint64 nanoseconds(const struct timespec& t) { return qint64(t.tv_sec) * 1000000000 + t.tv_nsec; }

// Every byte, or false with errno set (a disk that takes none says ENOSPC).
bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

constexpr int kSuffixLength = 6;

QByteArray randomSuffix()
{
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray suffix(kSuffixLength, Qt::Uninitialized);
    for (char& c : suffix)
        c = kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
    return suffix;
}

bool isLetterOrDigit(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Locks the new file `fd` and checks that `name` still names it. A file
// system without flock leaves it unlocked, and a launch cannot lock it
// either, so it never takes it for a dead save.
bool holdsUnderItsName(int fd, const QByteArray& name)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        return false;
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::lstat(name.constData(), &named) == 0 && opened.st_dev == named.st_dev
           && opened.st_ino == named.st_ino;
}

// Whether `tail`, what follows "<name>.save-", names a save of a run that
// is gone: the run as ProcessRun spells it, "-" and the six letters or
// digits writeWhole adds.
bool isDeadRunsSave(QByteArrayView tail)
{
    const qsizetype runLength = tail.size() - kSuffixLength - 1;
    if (runLength <= 0 || tail[runLength] != '-'
        || !std::all_of(tail.begin() + runLength + 1, tail.end(), isLetterOrDigit))
        return false;
    const std::optional<ProcessRun> run = ProcessRun::fromText(QString::fromLatin1(tail.first(runLength)));
    return run && run->isGone();
}

// Removes `name` in the open folder `folder` when it is a regular file of
// ours that nobody holds a lock on. The lock is held while it goes, so a
// writer that has just made it cannot take it meanwhile. False when it is
// one but could not be removed.
bool removeIfDeadSave(int folder, const char* name)
{
    const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return true;
    struct stat opened {};
    struct stat named {};
    bool removed = true;
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid()
        && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0
        && named.st_dev == opened.st_dev && named.st_ino == opened.st_ino)
        removed = ::unlinkat(folder, name, 0) == 0 || errno == ENOENT;
    ::close(fd);
    return removed;
}

// A link is written through to the file it names, as QSaveFile does, so a
// settings file kept elsewhere and linked in stays linked.
QString linkTarget(const QString& path)
{
    QFileInfo info(path);
    for (int hops = 0; info.isSymLink() && hops < 40; ++hops)
        info.setFile(info.symLinkTarget());
    return info.filePath();
}

} // namespace

SettingsFile::Stamp SettingsFile::stampOf(const struct stat& info)
{
    return {info.st_dev, info.st_ino, qint64(info.st_size), nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)};
}

SettingsFile::Reading SettingsFile::read() const
{
    Reading result;
    const QByteArray path = QFile::encodeName(m_path);
    struct stat info {};
    // What the path names is looked at first without opening it for
    // reading (a device may act on an open); only a regular file is opened,
    // and still without blocking in case it was swapped in between.
    int fd = ::open(path.constData(), O_PATH | O_CLOEXEC);
    if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        ::close(fd);
        if (stampOf(info) == m_seen) {
            result.verdict = Verdict::unchanged;
            result.stamp = m_seen;
            return result;
        }
        fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    }
    if (fd < 0) {
        if (errno == ENOENT)
            result.verdict = Verdict::absent;
        else if (errno == EMFILE || errno == ENFILE || errno == ENOMEM)
            result.verdict = Verdict::unknown;
        else
            result.verdict = Verdict::damaged;
        return result;
    }
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        result.verdict = Verdict::unknown;
        return result;
    }
    // Taken before the read: a change while reading shows at the next look.
    result.stamp = stampOf(info);
    if (!S_ISREG(info.st_mode) || result.stamp == m_seen) {
        ::close(fd);
        result.verdict = S_ISREG(info.st_mode) ? Verdict::unchanged : Verdict::notRegular;
        return result;
    }
    bool tooLarge = info.st_size > kMaxBytes;
    if (!tooLarge) {
        QByteArray& bytes = result.bytes;
        bytes.resize(kMaxBytes + 1);
        qsizetype got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, std::size_t(bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) { // a read that failed is no end of the file
                ::close(fd);
                return Reading{Verdict::unknown, {}, {}};
            }
            if (n == 0)
                break;
            got += n;
        }
        bytes.resize(got);
        tooLarge = got > kMaxBytes; // it grew since fstat
    }
    ::close(fd);
    result.verdict = tooLarge || !parsesCleanly(result.bytes) ? Verdict::damaged : Verdict::clean;
    if (result.verdict == Verdict::damaged)
        result.bytes.clear();
    return result;
}

// A file system that cannot rename without replacing gets a link and an unlink.
bool SettingsFile::moveAside() const
{
    const QByteArray from = QFile::encodeName(m_path);
    for (int n = 0; n < 1000; ++n) {
        const QString target = m_path + QStringLiteral(".corrupt") + (n ? QStringLiteral(".%1").arg(n) : QString());
        const QByteArray to = QFile::encodeName(target);
        int result = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
        if (result != 0 && errno == EINVAL && ::link(from.constData(), to.constData()) == 0)
            result = ::unlink(from.constData());
        if (result == 0) {
            kestrova::print(QStringLiteral("⚠️ Unreadable settings file moved to ") + target);
            return true;
        }
        if (errno == ENOENT)
            return true; // nothing left to keep
        if (errno != EEXIST)
            break;
    }
    kestrova::print(QStringLiteral("⚠️ Unreadable settings file could not be moved aside; settings are kept in memory"));
    return false;
}
QString SettingsFile::replace(const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(m_path).path());
    const QString failure = writeWhole(m_path, bytes, Durability::onDisk);
    struct stat info {};
    if (failure.isEmpty() && ::stat(QFile::encodeName(m_path).constData(), &info) == 0)
        m_seen = stampOf(info);
    return failure;
}

QString SettingsFile::writeWhole(const QString& path, const QByteArray& bytes, Durability durability)
{
    const QString target = linkTarget(path);
    const QByteArray finalName = QFile::encodeName(target);
    struct stat existing {};
    const bool exists = ::stat(finalName.constData(), &existing) == 0;
    if (!exists && errno != ENOENT)
        return qt_error_string(errno); // what is there could not be looked at
    // A rename needs no right to write the file it replaces: one the user
    // made read-only must stay as it is.
    if (exists && ::faccessat(AT_FDCWD, finalName.constData(), W_OK, AT_EACCESS) != 0)
        return qt_error_string(errno);
    QByteArray start = finalName + kSaveInfix;
    if (const std::optional<ProcessRun> run = ProcessRun::self())
        start += run->text().toLatin1() + '-';
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 16; ++attempt) {
        temporary = start + randomSuffix();
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
        // A launch that looked at the file before it was locked may be
        // removing it: it is left to that launch, and another name is tried.
        if (fd >= 0 && !holdsUnderItsName(fd, temporary)) {
            ::close(fd);
            fd = -1;
            errno = EEXIST;
        }
    }
    if (fd < 0)
        return qt_error_string(errno);
    bool done = writeAll(fd, bytes) && (!exists || ::fchmod(fd, existing.st_mode & 07777) == 0)
                && (durability == Durability::inMemory || ::fdatasync(fd) == 0);
    int error = done ? 0 : errno;
    // The close reports what a network file system failed to write; a
    // second descriptor keeps the lock until the rename.
    const int lockKeeper = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (lockKeeper < 0 && done) {
        done = false;
        error = errno;
    }
    if (::close(fd) != 0 && done) {
        done = false;
        error = errno;
    }
    // The folder is not synced after the rename: until it reaches the disk,
    // a crash leaves the old file whole, which is all this promises.
    if (done && ::rename(temporary.constData(), finalName.constData()) != 0) {
        done = false;
        error = errno;
    }
    if (!done)
        ::unlink(temporary.constData());
    if (lockKeeper >= 0)
        ::close(lockKeeper);
    return done ? QString() : qt_error_string(error);
}

QStringList SettingsFile::removeDeadSaves() const
{
    QStringList left;
    if (m_path.isEmpty())
        return left;
    const QFileInfo target(linkTarget(m_path));
    const QByteArray start = QFile::encodeName(target.fileName()) + kSaveInfix;
    const QString folderPath = target.path();
    const int folder = ::open(QFile::encodeName(folderPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return left;
    // The listing gets a descriptor of its own: `folder` stays for the removals.
    const int listed = ::fcntl(folder, F_DUPFD_CLOEXEC, 0);
    DIR* listing = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (listed >= 0 && !listing)
        ::close(listed);
    std::vector<QByteArray> names;
    while (const dirent* entry = listing ? ::readdir(listing) : nullptr) {
        const QByteArrayView name(entry->d_name, qsizetype(std::strlen(entry->d_name)));
        if (name.startsWith(start) && isDeadRunsSave(name.sliced(start.size())))
            names.emplace_back(name.toByteArray());
    }
    if (listing)
        ::closedir(listing);
    for (const QByteArray& name : names) {
        if (!removeIfDeadSave(folder, name.constData()))
            left.append(folderPath + QLatin1Char('/') + QFile::decodeName(name));
    }
    ::close(folder);
    return left;
}

// QSettings reads only from a path: it gets the bytes in an anonymous memory
// file. Its cache of files read by path answers without reading while size
// and modification time stay the same, so each file gets a time of its own.
std::optional<QVariantMap> SettingsFile::valuesIn(const QByteArray& bytes)
{
    static qint64 generation = 0;
    const int fd = ::memfd_create("kestrova-settings", MFD_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(1000000000 + ++generation), 0}};
    std::optional<QVariantMap> values;
    if (writeAll(fd, bytes) && ::futimens(fd, times) == 0) {
        const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd);
        const QSettings reader(path, QSettings::IniFormat);
        if (QFileInfo::exists(path) && reader.status() != QSettings::AccessError) {
            values.emplace();
            for (const QString& key : reader.allKeys())
                values->insert(key, reader.value(key));
        }
    }
    ::close(fd);
    return values;
}
