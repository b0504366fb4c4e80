#include "support/TaskRunner.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <csignal>

namespace {

QByteArray digest(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                                          : QByteArray();
}

} // namespace

// The built executable started over a settings path that is a FIFO, over
// 10 MB of junk, and with HOME unset: each starts, runs, and leaves with 0
// on SIGTERM, and the junk is kept whole beside the new file.
TEST(HostileSettingsLaunch, StartsRunsAndEndsOnSigterm)
{
    enum class Kind { fifo, junk, noHome };
    for (const Kind kind : {Kind::fifo, Kind::junk, Kind::noHome}) {
        SCOPED_TRACE(int(kind));
        QTemporaryDir root;
        const QString config = root.filePath(QStringLiteral("config"));
        const QString ini = config + QStringLiteral("/Kestrova/Kestrova.ini");
        ASSERT_TRUE(QDir().mkpath(config + QStringLiteral("/Kestrova")));
        ASSERT_TRUE(QDir().mkpath(root.filePath(QStringLiteral("run"))));
        QByteArray junkDigest;
        if (kind == Kind::fifo) {
            ASSERT_EQ(::mkfifo(QFile::encodeName(ini).constData(), 0600), 0);
        }
        if (kind == Kind::junk) {
            QByteArray junk(10 * 1000 * 1000, Qt::Uninitialized);
            for (qsizetype i = 0; i < junk.size(); ++i)
                junk[i] = char((i * 2654435761u) >> 13);
            QFile file(ini);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(junk);
            file.close();
            junkDigest = digest(ini);
        }

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("run")));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                           QStringLiteral("unix:path=") + root.filePath(QStringLiteral("nobus")));
        if (kind == Kind::noHome)
            environment.remove(QStringLiteral("HOME"));
        QProcess app;
        app.setProcessEnvironment(environment);
        app.setProcessChannelMode(QProcess::MergedChannels);
        app.start(QStringLiteral(KESTROVA_EXECUTABLE), {});
        ASSERT_TRUE(app.waitForStarted(5000));
        // Running: still there after its start-up.
        EXPECT_FALSE(waitUntil([&] { return app.state() == QProcess::NotRunning; }, std::chrono::seconds(3)));
        ::kill(pid_t(app.processId()), SIGTERM);
        const bool finished = waitUntil([&] { return app.state() == QProcess::NotRunning; }, std::chrono::seconds(10));
        if (!finished) {
            app.kill();
            app.waitForFinished(2000);
        }
        ASSERT_TRUE(finished) << "SIGTERM did not end it";
        EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(app.exitCode(), 0) << app.readAll().toStdString();

        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(ini).constData(), &info), 0);
        if (kind == Kind::fifo) {
            EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "never written over";
        }
        if (kind == Kind::junk) {
            EXPECT_EQ(digest(ini + QStringLiteral(".corrupt")), junkDigest);
        }
        EXPECT_FALSE(QFile::exists(QStringLiteral("/.config/Kestrova")));
    }
}
