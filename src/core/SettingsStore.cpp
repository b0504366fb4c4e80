#include "core/SettingsStore.h"

#include "core/OneLineText.h"
#include "core/Print.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#include <fcntl.h>
#include <pwd.h>
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

// QSettings reads back as text (or a list of texts) what it was given typed.
bool sameText(const QVariant& a, const QVariant& b)
{
    if (a == b)
        return true;
    if (a.typeId() == QMetaType::QStringList || b.typeId() == QMetaType::QStringList)
        return a.toStringList() == b.toStringList();
    return a.toString() == b.toString();
}

std::optional<double> toDouble(const QVariant& v)
{
    bool ok = false;
    const double d = v.typeId() == QMetaType::QString ? v.toString().toDouble(&ok) : v.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
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

QString SettingsStore::runtimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir() ? QDir::cleanPath(runtime) : QString();
}

QStringList SettingsStore::copyFolders()
{
    QStringList folders;
    if (const QString runtime = runtimeFolder(); !runtime.isEmpty())
        folders.append(runtime);
    const QString temp = QDir::cleanPath(QDir::tempPath());
    if (!folders.contains(temp))
        folders.append(temp);
    return folders;
}

SettingsStore::SettingsStore(const QString& filePath, QObject* parent) : QObject(parent), m_file(filePath)
{
    if (filePath.isEmpty())
        return;
    // A run killed while it saved left its new file beside ours.
    if (const QStringList left = m_file.removeDeadSaves(); !left.isEmpty())
        kestrova::print(QStringLiteral("⚠️ A file left by a settings save that did not finish stays in place: ")
                        + oneLineText(left.constFirst()));
    using Verdict = SettingsFile::Verdict;
    const SettingsFile::Reading found = m_file.read();
    if (found.verdict == Verdict::notRegular) {
        kestrova::print(QStringLiteral("⚠️ Settings path is not a regular file, using defaults: ") + filePath);
        return;
    }
    const bool readable = found.verdict == Verdict::clean || found.verdict == Verdict::absent;
    if (!openCopy(readable ? found.bytes : QByteArray())) {
        if (readable)
            m_memory = SettingsFile::valuesIn(found.bytes).value_or(QVariantMap());
        return;
    }
    // A file we had no descriptor to look at is not damaged: it is read
    // before the first write instead, and never moved aside for it.
    m_backing = readable || found.verdict == Verdict::unknown ? Backing::file : Backing::unreadFile;
    if (readable) {
        m_file.markSeen(found.stamp);
        m_fileRead = true;
    }
}

// QSettings reads its file again whenever it changed on disk, with neither
// our checks nor a non-blocking open; so it gets a file in a private folder
// that only this store writes, holding checked contents. The folder is made
// in the runtime folder when there is one (memory-backed: flushing the copy
// costs nothing); it is marked as ours, so that once this run is gone a
// later launch removes it however this run ended.
bool SettingsStore::openCopy(const QByteArray& bytes)
{
    const QString runtime = runtimeFolder();
    const QString name = QLatin1String(kCopyFolderPrefix) + QStringLiteral("XXXXXX");
    m_copyFolder = std::make_unique<OwnedTempDir>((runtime.isEmpty() ? QDir::tempPath() : runtime) + QLatin1Char('/') + name);
    if (!m_copyFolder->isValid())
        m_copyFolder = std::make_unique<OwnedTempDir>(QDir::tempPath() + QLatin1Char('/') + name);
    m_copyPath = m_copyFolder->filePath(QStringLiteral("settings.ini"));
    QString failure = m_copyFolder->isValid() ? QString() : QStringLiteral("no private folder");
    if (failure.isEmpty() && !bytes.isEmpty())
        failure = replaceCopy(bytes);
    if (!failure.isEmpty()) {
        m_copyFolder.reset();
        kestrova::print(QStringLiteral("⚠️ No private copy of the settings could be made (%1): changes are kept for this run only")
                            .arg(failure));
        return false;
    }
    m_settings = std::make_unique<QSettings>(m_copyPath, QSettings::IniFormat);
    return true;
}

// QSettings notices a changed file by its size and modification time (in
// milliseconds), so each new copy gets a time of its own.
QString SettingsStore::replaceCopy(const QByteArray& bytes)
{
    const QString failure = SettingsFile::writeWhole(m_copyPath, bytes, SettingsFile::Durability::inMemory);
    if (!failure.isEmpty())
        return failure;
    const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(1000000000 + ++m_copyGeneration), 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(m_copyPath).constData(), times, 0) == 0 ? QString()
                                                                                             : qt_error_string(errno);
}

// Values that can no longer go to the file stay for this run; `reason`, if
// any, is said once (the store is in memory from now on).
void SettingsStore::keepInMemory(const QString& reason)
{
    if (!reason.isEmpty())
        kestrova::print(QStringLiteral("⚠️ Settings not saved to %1 (%2): changes are kept for this run only")
                            .arg(m_file.path(), reason));
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
bool SettingsStore::rereadBeforeWrite()
{
    using Verdict = SettingsFile::Verdict;
    const SettingsFile::Reading found = m_file.read();
    switch (found.verdict) {
    case Verdict::unknown:
        return false; // nothing seen: the file may have changed
    case Verdict::absent:
        m_fileRead = true;
        break;
    case Verdict::unchanged:
        break;
    case Verdict::clean:
        // QSettings takes the new copy in now, under any pending values.
        if (const QString failure = replaceCopy(found.bytes); !failure.isEmpty()) {
            keepInMemory(QStringLiteral("the private copy could not be written: ") + failure);
            break;
        }
        m_settings->sync();
        m_file.markSeen(found.stamp);
        m_fileRead = true;
        break;
    case Verdict::damaged:
        if (m_file.moveAside())
            m_fileRead = true; // kept aside; ours are written anew
        else
            keepInMemory({});
        break;
    case Verdict::notRegular:
        kestrova::print(QStringLiteral("⚠️ Settings path is not a regular file, keeping settings in memory: ")
                        + m_file.path());
        keepInMemory({});
        break;
    }
    return true;
}

// QSettings says nothing when its copy did not take a write (its lock file
// could not be made, or QSaveFile renamed a short file into place): the copy
// is read back and must hold every key and value QSettings holds. Empty
// when it does (`bytes` then holds it); otherwise why not.
QString SettingsStore::whyCopyIsNotWhole(QByteArray& bytes) const
{
    if (m_settings->status() == QSettings::AccessError)
        return QStringLiteral("the private copy could not be written");
    QFile copy(m_copyPath);
    if (!copy.open(QIODevice::ReadOnly))
        return QStringLiteral("the private copy could not be read: ") + copy.errorString();
    bytes = copy.read(kMaxFileBytes + 1);
    if (bytes.size() > kMaxFileBytes) // the next launch could not read it back
        return QStringLiteral("the settings would be over %1 KiB").arg(kMaxFileBytes / 1024);
    const std::optional<QVariantMap> values = SettingsFile::valuesIn(bytes);
    const QStringList keys = m_settings->allKeys();
    bool whole = values && values->size() == keys.size();
    for (qsizetype i = 0; whole && i < keys.size(); ++i)
        whole = values->contains(keys[i]) && sameText(values->value(keys[i]), m_settings->value(keys[i]));
    return whole ? QString() : QStringLiteral("the private copy did not come back whole");
}

// Puts the private copy in place of the file once it came back whole.
void SettingsStore::writeBack()
{
    QByteArray bytes;
    QString failure = whyCopyIsNotWhole(bytes);
    if (failure.isEmpty())
        failure = m_file.replace(bytes);
    if (!failure.isEmpty())
        keepInMemory(failure);
}

bool SettingsStore::writable()
{
    if (m_backing == Backing::unreadFile) {
        if (m_file.moveAside()) {
            m_backing = Backing::file;
            m_fileRead = true;
        } else
            keepInMemory({});
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
    const bool looked = rereadBeforeWrite();
    if (m_backing != Backing::file)
        return;
    m_copyFolder->mark(); // if it could not be marked when it was made
    m_settings->sync();
    // Never written over unread, nor over a file we could not look at this
    // time: our values wait in the copy for the next look.
    if (!m_fileRead || !looked) {
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
