#include "core/SettingsStore.h"

#include "support/PrintCapture.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class SettingsStoreHostileFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("Kestrova.ini")); }
};

} // namespace

// Something other than a file at the path: defaults, values kept in memory,
// the path never opened for a blocking read nor replaced.
TEST_F(SettingsStoreHostileFileTest, ANonRegularPathRunsOnDefaultsAndIsNeverWritten)
{
    for (const bool fifo : {true, false}) {
        if (fifo)
            ASSERT_EQ(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
        else
            ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Kestrova.ini")));
        PrintCapture printed;
        {
            SettingsStore store(path());
            EXPECT_DOUBLE_EQ(store.cpuAlertThreshold(), 90.0);
            store.setAdvancedMode(true);
            store.setBaselineTemp(40.0);
            store.flush();
            EXPECT_TRUE(store.advancedMode()) << "kept for this run";
        }
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(path()).constData(), &info), 0);
        EXPECT_EQ(fifo ? S_ISFIFO(info.st_mode) : S_ISDIR(info.st_mode), true) << fifo;
        EXPECT_EQ(printed.lines().size(), 1) << fifo;
        EXPECT_TRUE(printed.lines().value(0).contains(path())) << fifo;
        EXPECT_FALSE(QFile::exists(path() + QStringLiteral(".corrupt"))) << fifo;
        ASSERT_TRUE(fifo ? QFile::remove(path()) : QDir(dir.path()).rmdir(QStringLiteral("Kestrova.ini")));
    }
}

// A file that would lose lines, or is too large to read at start-up, is kept
// whole under another name at the first write, never over an older copy.
TEST_F(SettingsStoreHostileFileTest, DamagedFilesAreMovedAsideIntactBeforeTheFirstWrite)
{
    QByteArray random(4096, Qt::Uninitialized);
    for (qsizetype i = 0; i < random.size(); ++i)
        random[i] = char((i * 7919 + 13) % 256);
    const QByteArray bigJunk = QByteArray("[General]\nadvancedMode=true\n") + QByteArray(10 * 1024 * 1024, 'x');
    const QByteArray oversizedButValid = "[General]\nk=" + QByteArray(SettingsStore::kMaxFileBytes, 'v') + '\n';
    // "v=" and a list in a list in a list...: each level a variant of type 9
    // holding one element, as QDataStream writes it and QSettings escapes it.
    const QByteArray settings = "[General]\nadvancedMode=true\n";
    const auto nested = [&settings](const char* opening, int depth, const char* joint, const char* closing) {
        QByteArray contents = settings + "v=" + opening;
        for (int i = 0; i < depth; ++i)
            contents += QByteArray("\\0\\0\\0\\t\\0\\0\\0\\x1") + joint;
        return contents + "\\0\\0\\0\\x1\\x1)" + closing + '\n';
    };
    struct Case {
        QByteArray contents;
        bool movedAside;
    };
    const QList<Case> cases{
        {random, true},
        {bigJunk, true},
        {oversizedButValid, true},
        {"[General]\nadvancedMode=true\nthis line has no value\n", true},
        {"; note\n# note\n\n[General]\r\nadvancedMode=true\r\n", false},
        // Values QSettings would read by recursion until the stack ran out:
        // plain, spelt with an escape, and carried over lines that each look
        // like a key=value line (after a backslash, inside quotes).
        {nested("@Variant(", 35000, "", ""), true},
        {nested("\\x40Variant(", 35000, "", ""), true},
        {nested("@Variant(", 2000, "\\\nk=", ""), true},
        {nested("\"@Variant(", 2000, "\nk=", "\""), true},
        // A shallow variant and a long line of plain text are read as usual.
        {nested("@Variant(", 10, "", ""), false},
        {settings + "note=" + QByteArray(60 * 1024, 'x') + '\n', false},
        {settings + "note=" + QByteArray(70 * 1024, 'x') + '\n', true},
    };
    writeFile(path() + QStringLiteral(".corrupt"), "an earlier copy");
    int copies = 0;
    for (const Case& c : cases) {
        writeFile(path(), c.contents);
        {
            SettingsStore store(path());
            EXPECT_EQ(store.advancedMode(), !c.movedAside) << c.contents.left(40).toStdString();
            EXPECT_EQ(readFile(path()), c.contents) << "untouched until a write";
            store.setCpuAlertThreshold(75.0);
            store.setSmartPauseEnabled(true);
        }
        if (c.movedAside) {
            const QString copy = path() + QStringLiteral(".corrupt.%1").arg(++copies);
            EXPECT_EQ(readFile(copy), c.contents) << copy.toStdString();
        }
        SettingsStore reopened(path());
        EXPECT_DOUBLE_EQ(reopened.cpuAlertThreshold(), 75.0);
        EXPECT_EQ(reopened.advancedMode(), !c.movedAside);
    }
    EXPECT_EQ(readFile(path() + QStringLiteral(".corrupt")), "an earlier copy");
    EXPECT_FALSE(QFile::exists(path() + QStringLiteral(".corrupt.%1").arg(copies + 1)));
}

// Without HOME the settings go under the home folder the password database
// names, never under the root folder; with no path at all nothing is written.
TEST_F(SettingsStoreHostileFileTest, WithoutHomeTheSettingsPathComesFromThePasswordDatabase)
{
    const QSettings usual(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Kestrova"),
                          QStringLiteral("Kestrova"));
    EXPECT_EQ(SettingsStore::defaultFilePath(), usual.fileName()) << "the usual place while HOME is set";

    const QByteArray home = qgetenv("HOME");
    const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
    qunsetenv("HOME");
    qunsetenv("XDG_CONFIG_HOME");
    const QString found = SettingsStore::defaultFilePath();
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", configHome);

    const passwd* entry = ::getpwuid(::getuid());
    const QString expected = entry && QByteArray(entry->pw_dir) != "/"
        ? QFile::decodeName(entry->pw_dir) + QStringLiteral("/.config/Kestrova/Kestrova.ini")
        : QString();
    EXPECT_EQ(found, expected);
    EXPECT_FALSE(found.startsWith(QStringLiteral("/.config")));

    SettingsStore inMemory{QString()};
    inMemory.setAdvancedMode(true);
    EXPECT_TRUE(inMemory.advancedMode());
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

// Renamed over while running: damaged goes aside, a FIFO is never opened, a dotfile link is written through.
TEST_F(SettingsStoreHostileFileTest, AFileReplacedWhileRunningIsReadThroughTheLaunchChecks)
{
    enum class Kind { damaged, fifo, link };
    const QByteArray damaged = "[General]\nadvancedMode=false\nno value\n";
    for (const Kind kind : {Kind::damaged, Kind::fifo, Kind::link}) {
        SCOPED_TRACE(int(kind));
        QTemporaryDir scratch;
        const QString ini = scratch.filePath(QStringLiteral("Kestrova.ini"));
        const QString fresh = scratch.filePath(QStringLiteral("fresh"));
        const QString dotfile = scratch.filePath(QStringLiteral("dotfile"));
        writeFile(ini, "[General]\nadvancedMode=true\n");
        PrintCapture printed;
        SettingsStore store(ini);
        store.setCpuAlertThreshold(75.0);
        if (kind == Kind::fifo)
            ASSERT_EQ(::mkfifo(QFile::encodeName(fresh).constData(), 0600), 0);
        else
            writeFile(kind == Kind::link ? dotfile : fresh, kind == Kind::link ? "[General]\nadvancedMode=false\n" : damaged);
        ASSERT_TRUE(kind != Kind::link || QFile::link(dotfile, fresh));
        ASSERT_EQ(::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(ini).constData()), 0);

        store.setBaselineTemp(40.0);
        store.flush();
        store.remove(QLatin1String(SettingsStore::kCpuAlertThreshold));
        EXPECT_EQ(store.baselineTemp(), 40.0);
        EXPECT_EQ(printed.lines().filter(ini).size(), kind == Kind::link ? 0 : 1);
        EXPECT_EQ(readFile(ini + QStringLiteral(".corrupt")), kind == Kind::damaged ? damaged : QByteArray());
        if (kind == Kind::fifo) {
            EXPECT_TRUE(QFileInfo(ini).exists() && !QFileInfo(ini).isFile()); // never written over
            continue;
        }
        SettingsStore reopened(ini);
        EXPECT_EQ(reopened.baselineTemp(), 40.0);
        EXPECT_DOUBLE_EQ(reopened.cpuAlertThreshold(), 90.0); // the removal reached the file
        EXPECT_EQ(reopened.advancedMode(), kind == Kind::damaged); // ours written anew, or their change kept
        EXPECT_EQ(readFile(dotfile).contains("baselineTemp=40"), kind == Kind::link);
    }
}
