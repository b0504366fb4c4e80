#pragma once

#include "core/OwnedTempDir.h"
#include "core/SettingsFile.h"

#include <QObject>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

class QTimer;


// The user defaults. Every key has a type and a default; a stored value of
// the wrong type reads as the default. Writing stores at once and emits
// changed(key) only when the stored value really changes. A file that cannot
// be parsed cleanly (a line too long to bound, say a serialized variant that
// may nest too deep to read), or is larger than kMaxFileBytes, reads as all defaults
// and is left untouched until a setting is written; that write first moves it
// aside (to "<name>.corrupt", or "<name>.corrupt.N" when taken). A path that
// is not a regular file (a FIFO, a device, a directory) is never opened for
// blocking reads nor written: the store then keeps its values in memory.
// So does a file that cannot be written (read-only, or its disk full), and
// a private copy (below) that did not come back whole: one line says so and
// the file stays as it was.
//
// Another program may change the file while we run, so QSettings never reads
// it: it works on a private copy, and every write first reads the file again
// through the same checks (a value is then compared with the file as it is
// now). A clean file that changed is merged as QSettings
// merges (our new values over the file's); one that fails is moved aside and
// our values are written anew; one that is no longer a regular file sends
// the values to memory. A symbolic link to a regular file is followed.
class SettingsStore : public QObject {
    Q_OBJECT

public:
    // Production store: QSettings of organisation and application "Kestrova".
    static SettingsStore& shared();

    // A store on the given INI file (tests use a temp file). An empty path
    // gives a store that keeps its values in memory only.
    explicit SettingsStore(const QString& filePath, QObject* parent = nullptr);

    // Where the production store lives: the user's configuration folder,
    // with the home folder taken from the password database when HOME is
    // unset. Empty when no home folder can be found.
    static QString defaultFilePath();

    // The private copy's folder is this prefix and six letters or digits,
    // in runtimeFolder() when there is one, else in the temp folder.
    static constexpr auto kCopyFolderPrefix = "kestrova-settings-";
    // $XDG_RUNTIME_DIR when it is an absolute path to a folder, else empty.
    static QString runtimeFolder();
    // Every folder a private copy may be made in: the runtime folder, if
    // any, and the temp folder (where the copy goes without a runtime
    // folder, or when that one cannot take it).
    static QStringList copyFolders();

    static constexpr qint64 kMaxFileBytes = SettingsFile::kMaxBytes;
    ~SettingsStore() override;

    // Keys as stored.
    static constexpr auto kShowFullProcessPath = "showFullProcessPath";
    static constexpr auto kAdvancedMode = "advancedMode";
    static constexpr auto kCpuAlertThreshold = "cpuAlertThreshold";
    static constexpr auto kWorkspacePersona = "workspacePersona";
    static constexpr auto kHasCompletedOnboardingTour = "hasCompletedOnboardingTour";
    static constexpr auto kShowOnboardingTour = "showOnboardingTour";
    static constexpr auto kOnboardingTourStep = "onboardingTourStep";
    static constexpr auto kSmartPauseEnabled = "smartPauseEnabled";
    static constexpr auto kAppTheme = "appTheme";
    static constexpr auto kBaselineCpuUsage = "baselineCpuUsage";
    static constexpr auto kBaselineTemp = "baselineTemp";

    bool showFullProcessPath() const;
    void setShowFullProcessPath(bool value);
    bool advancedMode() const;
    void setAdvancedMode(bool value);
    double cpuAlertThreshold() const;
    void setCpuAlertThreshold(double value);
    // The stored raw persona text ("AI Engineer" when nothing is stored).
    QString workspacePersona() const;
    void setWorkspacePersona(const QString& rawValue);
    bool hasCompletedOnboardingTour() const;
    void setHasCompletedOnboardingTour(bool value);
    bool showOnboardingTour() const;
    void setShowOnboardingTour(bool value);
    int onboardingTourStep() const;
    void setOnboardingTourStep(int value);
    bool smartPauseEnabled() const;
    void setSmartPauseEnabled(bool value);
    // The stored raw theme text ("Standard" when nothing is stored).
    QString appTheme() const;
    void setAppTheme(const QString& rawValue);
    // Absent until first stored: the sampler seeds them on its first tick.
    // They change every second, so new values are held in memory (and read
    // back from there) and reach the file at most every kBaselineFlushMs,
    // on flush() and when the store is destroyed.
    std::optional<double> baselineCpuUsage() const;
    void setBaselineCpuUsage(double value);
    std::optional<double> baselineTemp() const;
    void setBaselineTemp(double value);

    bool contains(const QString& key) const;
    void remove(const QString& key);

    // Writes held-back values to the file now.
    void flush();
    static constexpr int kBaselineFlushMs = 30000;

signals:
    void changed(const QString& key);

private:
    enum class Backing { file, unreadFile, memory };

    bool openCopy(const QByteArray& bytes);
    QString replaceCopy(const QByteArray& bytes);
    void keepInMemory(const QString& reason);
    bool rereadBeforeWrite(); // false when the file could not be looked at
    QString whyCopyIsNotWhole(QByteArray& bytes) const;
    void writeBack();
    bool writable();
    QVariant stored(const QString& key) const;
    bool storedContains(const QString& key) const;
    void store(const QString& key, const QVariant& value);
    void sync();
    bool readBool(const char* key, bool fallback) const;
    double readDouble(const char* key, double fallback) const;
    std::optional<double> readOptionalDouble(const char* key) const;
    int readInt(const char* key, int fallback) const;
    QString readString(const char* key, const QString& fallback) const;
    void write(const char* key, const QVariant& value);
    void hold(const char* key, std::optional<double>& pending, double value);

    SettingsFile m_file;
    Backing m_backing = Backing::memory;
    // The private copy QSettings works on; declared before it so it outlives it.
    std::unique_ptr<OwnedTempDir> m_copyFolder;
    QString m_copyPath;
    qint64 m_copyGeneration = 0;
    std::unique_ptr<QSettings> m_settings; // only while backed by the file
    bool m_fileRead = false; // its contents (or its absence) are known
    QVariantMap m_memory;
    std::optional<double> m_pendingBaselineCpuUsage;
    std::optional<double> m_pendingBaselineTemp;
    QTimer* m_flushTimer = nullptr;
};
