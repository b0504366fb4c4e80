#include "core/SettingsStore.h"

#include "core/Print.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <vector>

namespace {

// QSettings' INI backend stores everything as text, so typed reads accept
// both native variants and their text forms, and anything else falls back.
std::optional<bool> toBool(const QVariant& v)
{
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    const QString s = v.toString();
    if (s == QLatin1String("true"))
        return true;
    if (s == QLatin1String("false"))
        return false;
    return std::nullopt;
}

std::optional<double> toDouble(const QVariant& v)
{
    bool ok = false;
    const double d = v.typeId() == QMetaType::QString ? v.toString().toDouble(&ok) : v.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
}

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

// The home folder of the user running us, from the password database; the
// root folder does not count.
QString passwordDatabaseHome()
{
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(std::size_t(suggested > 0 ? suggested : 16384));
    passwd entry{};
    passwd* found = nullptr;
    while (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE && buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (!found || !found->pw_dir)
        return {};
    const QString home = QDir::cleanPath(QFile::decodeName(found->pw_dir));
    return QDir::isAbsolutePath(home) && home != QLatin1String("/") ? home : QString();
}

} // namespace

SettingsStore& SettingsStore::shared()
{
    static SettingsStore* store = [] {
        const QString path = defaultFilePath();
        if (path.isEmpty())
            kestrova::print(QStringLiteral("⚠️ No home folder found: settings are kept in memory only"));
        return new SettingsStore(path, QCoreApplication::instance());
    }();
    return *store;
}

QString SettingsStore::defaultFilePath()
{
    // Without HOME, QSettings would fall back to the root folder.
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (qEnvironmentVariableIsEmpty("HOME") && !QDir::isAbsolutePath(configHome)) {
        const QString home = passwordDatabaseHome();
        return home.isEmpty() ? QString() : home + QStringLiteral("/.config/Kestrova/Kestrova.ini");
    }
    // Where QSettings puts user-scope INI files, worked out without building
    // one: a QSettings reads its files as it is built.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Kestrova/Kestrova.ini");
}

struct SettingsStore::Inspection {
    enum class Verdict {
        absent,     // nothing at the path
        unchanged,  // the same file as last seen; not read
        clean,      // a regular file QSettings reads safely: `bytes`
        damaged,    // too large, not clean, or not readable
        notRegular, // a FIFO, a device, a directory: never read
        unknown,    // no descriptor or memory to look: says nothing
    };
    Verdict verdict = Verdict::absent;
    QByteArray bytes;
    FileStamp stamp;
};

namespace {

qint64 nanoseconds(const struct timespec& t) { return qint64(t.tv_sec) * 1000000000 + t.tv_nsec; }

} // namespace

SettingsStore::FileStamp SettingsStore::stampOf(const struct stat& info)
{
    return {info.st_dev, info.st_ino, qint64(info.st_size), nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)};
}

SettingsStore::SettingsStore(const QString& filePath, QObject* parent) : QObject(parent), m_filePath(filePath)
{
    if (filePath.isEmpty())
        return;
    using Verdict = Inspection::Verdict;
    const Inspection found = inspectFile();
    if (found.verdict == Verdict::notRegular) {
        kestrova::print(QStringLiteral("⚠️ Settings path is not a regular file, using defaults: ") + filePath);
        return;
    }
    const bool readable = found.verdict == Verdict::clean || found.verdict == Verdict::absent;
    if (!openCopy(readable ? found.bytes : QByteArray()))
        return;
    // A file we had no descriptor to look at is not damaged: it is read
    // before the first write instead, and never moved aside for it.
    m_backing = readable || found.verdict == Verdict::unknown ? Backing::file : Backing::unreadFile;
    if (readable) {
        m_seen = found.stamp;
        m_fileRead = true;
    }
}

// Looks at the file without blocking (a FIFO would hold a plain open
// forever) and reads at most kMaxFileBytes of it, unless it is still the
// file last seen. A symbolic link is followed to what it names.
SettingsStore::Inspection SettingsStore::inspectFile() const
{
    using Verdict = Inspection::Verdict;
    Inspection result;
    const QByteArray path = QFile::encodeName(m_filePath);
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
    bool tooLarge = info.st_size > kMaxFileBytes;
    if (!tooLarge) {
        QByteArray& bytes = result.bytes;
        bytes.resize(kMaxFileBytes + 1);
        qsizetype got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, std::size_t(bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += n;
        }
        bytes.resize(got);
        tooLarge = got > kMaxFileBytes; // it grew since fstat
    }
    ::close(fd);
    result.verdict = tooLarge || !parsesCleanly(result.bytes) ? Verdict::damaged : Verdict::clean;
    if (result.verdict == Verdict::damaged)
        result.bytes.clear();
    return result;
}

// QSettings reads its file again whenever it changed on disk, with neither
// our checks nor a non-blocking open; so it gets a file in a private folder
// that only this store writes, holding checked contents. The folder is made
// in the runtime folder when there is one (memory-backed: flushing the copy
// costs nothing).
bool SettingsStore::openCopy(const QByteArray& bytes)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString base = QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir() ? runtime : QDir::tempPath();
    m_copyFolder = std::make_unique<QTemporaryDir>(base + QStringLiteral("/kestrova-settings-XXXXXX"));
    if (!m_copyFolder->isValid())
        m_copyFolder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/kestrova-settings-XXXXXX"));
    m_copyPath = m_copyFolder->filePath(QStringLiteral("settings.ini"));
    if (!m_copyFolder->isValid() || (!bytes.isEmpty() && !replaceCopy(bytes))) {
        m_copyFolder.reset();
        kestrova::print(QStringLiteral("⚠️ No private folder for the settings; settings are kept in memory"));
        return false;
    }
    m_settings = std::make_unique<QSettings>(m_copyPath, QSettings::IniFormat);
    return true;
}

// QSettings notices a changed file by its size and modification time (in
// milliseconds), so each new copy gets a time of its own.
bool SettingsStore::replaceCopy(const QByteArray& bytes)
{
    QSaveFile copy(m_copyPath);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size() || !copy.commit())
        return false;
    const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(1000000000 + ++m_copyGeneration), 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(m_copyPath).constData(), times, 0) == 0;
}

// Values that can no longer go to the file stay for this run.
void SettingsStore::keepInMemory()
{
    if (m_settings) {
        const QStringList keys = m_settings->allKeys();
        for (const QString& key : keys)
            m_memory.insert(key, m_settings->value(key));
    }
    m_settings.reset();
    m_copyFolder.reset();
    m_backing = Backing::memory;
}

// Before a write, the file is read again as at launch (unless it is the
// file last seen): a clean change is merged under our values, a damaged
// file is moved aside, and a path that is no longer a regular file is left
// alone.
void SettingsStore::rereadBeforeWrite()
{
    using Verdict = Inspection::Verdict;
    const Inspection found = inspectFile();
    switch (found.verdict) {
    case Verdict::absent:
        m_fileRead = true;
        break;
    case Verdict::unchanged:
    case Verdict::unknown:
        break;
    case Verdict::clean:
        // QSettings takes the new copy in now, under any pending values.
        if (replaceCopy(found.bytes)) {
            m_settings->sync();
            m_seen = found.stamp;
            m_fileRead = true;
        }
        break;
    case Verdict::damaged:
        if (moveAside())
            m_fileRead = true; // kept aside; ours are written anew
        else
            keepInMemory();
        break;
    case Verdict::notRegular:
        kestrova::print(QStringLiteral("⚠️ Settings path is not a regular file, keeping settings in memory: ")
                        + m_filePath);
        keepInMemory();
        break;
    }
}

// Puts the private copy in place of the file, whole (a link is written
// through to what it names), and remembers the file so written.
void SettingsStore::writeBack()
{
    QFile copy(m_copyPath);
    if (!copy.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = copy.readAll();
    QDir().mkpath(QFileInfo(m_filePath).path());
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return;
    struct stat info {};
    if (::stat(QFile::encodeName(m_filePath).constData(), &info) == 0)
        m_seen = stampOf(info);
}

// Renames the unread file to "<name>.corrupt" (or .corrupt.N), never over
// an existing file.
bool SettingsStore::moveAside()
{
    const QByteArray from = QFile::encodeName(m_filePath);
    for (int n = 0; n < 1000; ++n) {
        const QString target = m_filePath + QStringLiteral(".corrupt") + (n ? QStringLiteral(".%1").arg(n) : QString());
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

bool SettingsStore::writable()
{
    if (m_backing == Backing::unreadFile) {
        if (moveAside()) {
            m_backing = Backing::file;
            m_fileRead = true;
        } else
            keepInMemory();
    }
    return m_backing == Backing::file;
}

QVariant SettingsStore::stored(const QString& key) const
{
    switch (m_backing) {
    case Backing::file:
        return m_settings->value(key);
    case Backing::memory:
        return m_memory.value(key);
    case Backing::unreadFile:
        break;
    }
    return {};
}

bool SettingsStore::storedContains(const QString& key) const
{
    switch (m_backing) {
    case Backing::file:
        return m_settings->contains(key);
    case Backing::memory:
        return m_memory.contains(key);
    case Backing::unreadFile:
        break;
    }
    return false;
}

// Stores without syncing; callers sync once after a batch.
void SettingsStore::store(const QString& key, const QVariant& value)
{
    if (writable())
        m_settings->setValue(key, value);
    else
        m_memory.insert(key, value);
}

void SettingsStore::sync()
{
    if (m_backing != Backing::file)
        return;
    rereadBeforeWrite();
    if (m_backing != Backing::file)
        return;
    m_settings->sync();
    // Never written over unread: our values wait in the copy for a look.
    if (!m_fileRead) {
        kestrova::print(QStringLiteral("⚠️ Settings file could not be read (no descriptor free); not written yet"));
        return;
    }
    writeBack();
}

SettingsStore::~SettingsStore() { flush(); }

bool SettingsStore::readBool(const char* key, bool fallback) const
{
    const QVariant v = stored(QLatin1String(key));
    return v.isValid() ? toBool(v).value_or(fallback) : fallback;
}

double SettingsStore::readDouble(const char* key, double fallback) const
{
    return readOptionalDouble(key).value_or(fallback);
}

std::optional<double> SettingsStore::readOptionalDouble(const char* key) const
{
    const QVariant v = stored(QLatin1String(key));
    return v.isValid() ? toDouble(v) : std::nullopt;
}

int SettingsStore::readInt(const char* key, int fallback) const
{
    const QVariant v = stored(QLatin1String(key));
    bool ok = false;
    const int i = v.toString().toInt(&ok);
    return ok ? i : fallback;
}

QString SettingsStore::readString(const char* key, const QString& fallback) const
{
    const QVariant v = stored(QLatin1String(key));
    return v.isValid() && v.canConvert<QString>() ? v.toString() : fallback;
}

void SettingsStore::write(const char* key, const QVariant& value)
{
    const QString k = QLatin1String(key);
    // Compared with the file as it is now: another program may have
    // changed the value since we last looked.
    if (m_backing == Backing::file)
        rereadBeforeWrite();
    if (storedContains(k) && stored(k).toString() == value.toString())
        return;
    store(k, value);
    sync();
    emit changed(k);
}

bool SettingsStore::showFullProcessPath() const { return readBool(kShowFullProcessPath, false); }
void SettingsStore::setShowFullProcessPath(bool value) { write(kShowFullProcessPath, value); }
bool SettingsStore::advancedMode() const { return readBool(kAdvancedMode, false); }
void SettingsStore::setAdvancedMode(bool value) { write(kAdvancedMode, value); }
double SettingsStore::cpuAlertThreshold() const { return readDouble(kCpuAlertThreshold, 90.0); }
void SettingsStore::setCpuAlertThreshold(double value) { write(kCpuAlertThreshold, value); }
QString SettingsStore::workspacePersona() const
{
    return readString(kWorkspacePersona, QStringLiteral("AI Engineer"));
}
void SettingsStore::setWorkspacePersona(const QString& rawValue) { write(kWorkspacePersona, rawValue); }
bool SettingsStore::hasCompletedOnboardingTour() const { return readBool(kHasCompletedOnboardingTour, false); }
void SettingsStore::setHasCompletedOnboardingTour(bool value) { write(kHasCompletedOnboardingTour, value); }
bool SettingsStore::showOnboardingTour() const { return readBool(kShowOnboardingTour, false); }
void SettingsStore::setShowOnboardingTour(bool value) { write(kShowOnboardingTour, value); }
int SettingsStore::onboardingTourStep() const { return readInt(kOnboardingTourStep, 0); }
void SettingsStore::setOnboardingTourStep(int value) { write(kOnboardingTourStep, value); }
bool SettingsStore::smartPauseEnabled() const { return readBool(kSmartPauseEnabled, false); }
void SettingsStore::setSmartPauseEnabled(bool value) { write(kSmartPauseEnabled, value); }
QString SettingsStore::appTheme() const { return readString(kAppTheme, QStringLiteral("Standard")); }
void SettingsStore::setAppTheme(const QString& rawValue) { write(kAppTheme, rawValue); }
std::optional<double> SettingsStore::baselineCpuUsage() const
{
    return m_pendingBaselineCpuUsage ? m_pendingBaselineCpuUsage : readOptionalDouble(kBaselineCpuUsage);
}
void SettingsStore::setBaselineCpuUsage(double value) { hold(kBaselineCpuUsage, m_pendingBaselineCpuUsage, value); }
std::optional<double> SettingsStore::baselineTemp() const
{
    return m_pendingBaselineTemp ? m_pendingBaselineTemp : readOptionalDouble(kBaselineTemp);
}
void SettingsStore::setBaselineTemp(double value) { hold(kBaselineTemp, m_pendingBaselineTemp, value); }

// Rewriting (and fsyncing) the file every second for a figure that moves by
// a thousandth would cost milliseconds of main-thread time per tick.
void SettingsStore::hold(const char* key, std::optional<double>& pending, double value)
{
    const std::optional<double> current = pending ? pending : readOptionalDouble(key);
    if (current && *current == value)
        return;
    pending = value;
    if (!m_flushTimer) {
        m_flushTimer = new QTimer(this);
        m_flushTimer->setSingleShot(true);
        m_flushTimer->setInterval(kBaselineFlushMs);
        connect(m_flushTimer, &QTimer::timeout, this, &SettingsStore::flush);
    }
    if (!m_flushTimer->isActive())
        m_flushTimer->start();
    emit changed(QLatin1String(key));
}

void SettingsStore::flush()
{
    if (!m_pendingBaselineCpuUsage && !m_pendingBaselineTemp)
        return;
    if (m_pendingBaselineCpuUsage)
        store(QLatin1String(kBaselineCpuUsage), *m_pendingBaselineCpuUsage);
    if (m_pendingBaselineTemp)
        store(QLatin1String(kBaselineTemp), *m_pendingBaselineTemp);
    m_pendingBaselineCpuUsage.reset();
    m_pendingBaselineTemp.reset();
    sync();
}

bool SettingsStore::contains(const QString& key) const
{
    if ((key == QLatin1String(kBaselineCpuUsage) && m_pendingBaselineCpuUsage) ||
        (key == QLatin1String(kBaselineTemp) && m_pendingBaselineTemp))
        return true;
    return storedContains(key);
}

void SettingsStore::remove(const QString& key)
{
    if (m_backing == Backing::file)
        rereadBeforeWrite();
    if (!contains(key))
        return;
    if (key == QLatin1String(kBaselineCpuUsage))
        m_pendingBaselineCpuUsage.reset();
    if (key == QLatin1String(kBaselineTemp))
        m_pendingBaselineTemp.reset();
    if (m_backing == Backing::file && m_settings->contains(key)) {
        m_settings->remove(key);
        sync();
    }
    m_memory.remove(key);
    emit changed(key);
}
