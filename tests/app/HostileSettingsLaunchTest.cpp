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
    for (int run = 0; run < 7; ++run) {
        const Kind kind = Kind(run % 4);
        const bool whileRunning = run > 3; // the first three again, renamed over while it runs
        SCOPED_TRACE(run);
        QTemporaryDir root;
        LaunchedApp app(root.path());
        const QString ini = app.configFolder() + QStringLiteral("/Kestrova/Kestrova.ini");
        const QString bad = whileRunning ? root.filePath(QStringLiteral("fresh")) : ini;
        QByteArray junkDigest;
        if (kind == Kind::fifo) {
            ASSERT_EQ(::mkfifo(QFile::encodeName(bad).constData(), 0600), 0);
        }
        if (kind == Kind::junk || kind == Kind::nested) {
            QByteArray junk(10 * 1000 * 1000, Qt::Uninitialized);
            for (qsizetype i = 0; i < junk.size(); ++i)
                junk[i] = char((i * 2654435761u) >> 13);
            if (kind == Kind::nested) {
                // A list in a list... 35,000 deep, as QSettings escapes it.
                junk = "[General]\nadvancedMode=true\nv=@Variant(";
                for (int level = 0; level < 35000; ++level)
                    junk += "\\0\\0\\0\\t\\0\\0\\0\\x1";
                junk += "\\0\\0\\0\\x1\\x1)\n";
            }
            QFile file(bad);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(junk);
            file.close();
            junkDigest = digest(bad);
        }
        if (kind == Kind::noHome)
            app.environment.remove(QStringLiteral("HOME"));
        ASSERT_TRUE(app.start(QStringLiteral(KESTROVA_EXECUTABLE)));
        ASSERT_TRUE(app.saysItIsUp()) << app.terminate().output.toStdString();
        if (whileRunning) {
            ASSERT_EQ(::rename(QFile::encodeName(bad).constData(), QFile::encodeName(ini).constData()), 0);
            // The next write of a setting finds it: the sampler's averages, held from its second
            // tick on (a second after the start), go to the file after 30 s or at quit.
            app.says(QStringLiteral("⚠️ Unreadable settings file moved to "), std::chrono::seconds(5));
            EXPECT_TRUE(app.keepsRunning(std::chrono::milliseconds(1)));
        }
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
