#include "support/HostileSettingsFile.h"
#include "support/LaunchedApp.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QByteArray digest(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                                          : QByteArray();
}

} // namespace

// The built executable started over a settings path that is a FIFO, over
// 10 MB of junk, over a value nested too deep to read, and with HOME unset:
// each starts, runs, and leaves with 0 on SIGTERM; an unreadable file is kept
// whole beside the new one, and said so in one line.
TEST(HostileSettingsLaunch, StartsRunsAndEndsOnSigterm)
{
    enum class Kind { fifo, junk, nested, noHome };
    for (const Kind kind : {Kind::fifo, Kind::junk, Kind::nested, Kind::noHome}) {
        SCOPED_TRACE(int(kind));
        QTemporaryDir root;
        LaunchedApp app(root.path());
        const QString ini = app.configFolder() + QStringLiteral("/Kestrova/Kestrova.ini");
        QByteArray junkDigest;
        if (kind == Kind::fifo) {
            ASSERT_EQ(::mkfifo(QFile::encodeName(ini).constData(), 0600), 0);
        }
        if (kind == Kind::junk || kind == Kind::nested) {
            const QByteArray junk = kind == Kind::nested ? hostilesettings::nestedValue("advancedMode=true\n")
                                                         : hostilesettings::junk(10 * 1000 * 1000);
            QFile file(ini);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(junk);
            file.close();
            junkDigest = digest(ini);
        }
        if (kind == Kind::noHome)
            app.environment.remove(QStringLiteral("HOME"));
        ASSERT_TRUE(app.start(QStringLiteral(KESTROVA_EXECUTABLE)));
        EXPECT_TRUE(app.keepsRunning(std::chrono::seconds(3)));
        const LaunchedApp::Ending ending = app.terminate();
        ASSERT_TRUE(ending.finished) << "SIGTERM did not end it";
        EXPECT_EQ(ending.status, QProcess::NormalExit);
        EXPECT_EQ(ending.exitCode, 0) << ending.output.toStdString();

        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(ini).constData(), &info), 0);
        if (kind == Kind::fifo) {
            EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "never written over";
        }
        if (kind == Kind::junk || kind == Kind::nested) {
            EXPECT_EQ(digest(ini + QStringLiteral(".corrupt")), junkDigest);
            EXPECT_EQ(ending.output.split(u'\n').filter(QStringLiteral("Kestrova.ini")).size(), 1)
                << ending.output.toStdString();
        }
        EXPECT_FALSE(QFile::exists(QStringLiteral("/.config/Kestrova")));
    }
}

// The settings file replaced while the app runs, by a value nested too deep
// to read, by a FIFO and by junk: the app keeps running, ends with 0 on
// SIGTERM (its last write, the held baseline, reads the file again on the
// way out), keeps a damaged file whole aside and never writes over the FIFO.
TEST(HostileSettingsLaunch, AFileReplacedWhileRunningIsCheckedAsAtLaunch)
{
    enum class Kind { nested, fifo, junk };
    for (const Kind kind : {Kind::nested, Kind::fifo, Kind::junk}) {
        SCOPED_TRACE(int(kind));
        QTemporaryDir root;
        LaunchedApp app(root.path());
        const QString ini = app.configFolder() + QStringLiteral("/Kestrova/Kestrova.ini");
        {
            QFile file(ini);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("[General]\nhasCompletedOnboardingTour=true\n");
        }
        ASSERT_TRUE(app.start(QStringLiteral(KESTROVA_EXECUTABLE)));
        // Long enough for the sampler to hold a baseline for the file.
        ASSERT_TRUE(app.keepsRunning(std::chrono::seconds(3)));

        const QString fresh = root.filePath(QStringLiteral("fresh"));
        const QByteArray bad = kind == Kind::nested ? hostilesettings::nestedValue("advancedMode=true\n")
                                                    : hostilesettings::junk(600 * 1000);
        if (kind == Kind::fifo) {
            ASSERT_EQ(::mkfifo(QFile::encodeName(fresh).constData(), 0600), 0);
        } else {
            QFile file(fresh);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(bad);
        }
        ASSERT_EQ(::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(ini).constData()), 0);
        EXPECT_TRUE(app.keepsRunning(std::chrono::seconds(1)));

        const LaunchedApp::Ending ending = app.terminate();
        ASSERT_TRUE(ending.finished) << "SIGTERM did not end it";
        EXPECT_EQ(ending.status, QProcess::NormalExit);
        EXPECT_EQ(ending.exitCode, 0) << ending.output.toStdString();
        struct stat info {};
        ASSERT_EQ(::lstat(QFile::encodeName(ini).constData(), &info), 0);
        if (kind == Kind::fifo) {
            EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "never written over";
            EXPECT_FALSE(QFile::exists(ini + QStringLiteral(".corrupt")));
        } else {
            EXPECT_EQ(digest(ini + QStringLiteral(".corrupt")), QCryptographicHash::hash(bad, QCryptographicHash::Sha256));
            EXPECT_TRUE(S_ISREG(info.st_mode));
            QFile written(ini);
            ASSERT_TRUE(written.open(QIODevice::ReadOnly));
            EXPECT_TRUE(written.readAll().contains("hasCompletedOnboardingTour=true")) << "our values, written anew";
        }
        EXPECT_EQ(ending.output.split(u'\n').filter(QStringLiteral("Kestrova.ini")).size(), 1)
            << ending.output.toStdString();
    }
}
