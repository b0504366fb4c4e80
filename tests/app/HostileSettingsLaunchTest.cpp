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
// 10 MB of junk, over a value nested too deep to read, and with HOME unset,
// or with its file renamed over so while it runs: each runs on and leaves
// with 0 on SIGTERM; an unreadable file is kept whole beside the new one
// (ours, written anew when it was replaced), and said so in one line.
TEST(HostileSettingsLaunch, StartsRunsAndEndsOnSigterm)
{
    enum class Kind { fifo, junk, nested, noHome };
    struct Case {
        Kind kind;
        bool whileRunning;
    };
    for (const Case c : {Case{Kind::fifo, false}, {Kind::junk, false}, {Kind::nested, false}, {Kind::noHome, false},
                         {Kind::fifo, true}, {Kind::junk, true}, {Kind::nested, true}}) {
        SCOPED_TRACE(int(c.kind) + 10 * c.whileRunning);
        QTemporaryDir root;
        LaunchedApp app(root.path());
        const QString ini = app.configFolder() + QStringLiteral("/Kestrova/Kestrova.ini");
        const QString bad = c.whileRunning ? root.filePath(QStringLiteral("fresh")) : ini;
        const bool damaged = c.kind == Kind::junk || c.kind == Kind::nested;
        const QByteArray junk = c.kind == Kind::nested ? hostilesettings::nestedValue("advancedMode=true\n")
                                                       : hostilesettings::junk(damaged ? 10 * 1000 * 1000 : 0);
        if (c.whileRunning) {
            QFile file(ini);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("[General]\nhasCompletedOnboardingTour=true\n");
        }
        if (c.kind == Kind::fifo) {
            ASSERT_EQ(::mkfifo(QFile::encodeName(bad).constData(), 0600), 0);
        }
        if (damaged) {
            QFile file(bad);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(junk);
        }
        if (c.kind == Kind::noHome)
            app.environment.remove(QStringLiteral("HOME"));
        ASSERT_TRUE(app.start(QStringLiteral(KESTROVA_EXECUTABLE)));
        // Long enough for the sampler to hold a baseline to save.
        EXPECT_TRUE(app.keepsRunning(std::chrono::seconds(3)));
        if (c.whileRunning) {
            ASSERT_EQ(::rename(QFile::encodeName(bad).constData(), QFile::encodeName(ini).constData()), 0);
            EXPECT_TRUE(app.keepsRunning(std::chrono::seconds(1)));
        }
        const LaunchedApp::Ending ending = app.terminate();
        ASSERT_TRUE(ending.finished) << "SIGTERM did not end it";
        EXPECT_EQ(ending.status, QProcess::NormalExit);
        EXPECT_EQ(ending.exitCode, 0) << ending.output.toStdString();

        struct stat info {};
        ASSERT_EQ(::lstat(QFile::encodeName(ini).constData(), &info), 0);
        if (c.kind == Kind::fifo) {
            EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "never written over";
            EXPECT_FALSE(QFile::exists(ini + QStringLiteral(".corrupt")));
        }
        if (damaged) {
            EXPECT_EQ(digest(ini + QStringLiteral(".corrupt")), QCryptographicHash::hash(junk, QCryptographicHash::Sha256));
            EXPECT_EQ(ending.output.split(u'\n').filter(QStringLiteral("Kestrova.ini")).size(), 1)
                << ending.output.toStdString();
        }
        if (damaged && c.whileRunning) {
            QFile written(ini);
            ASSERT_TRUE(written.open(QIODevice::ReadOnly));
            EXPECT_TRUE(written.readAll().contains("hasCompletedOnboardingTour=true")) << "ours, written anew";
        }
        EXPECT_FALSE(QFile::exists(QStringLiteral("/.config/Kestrova")));
    }
}
