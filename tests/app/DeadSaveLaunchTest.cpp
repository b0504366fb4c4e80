#include "core/SettingsFile.h"
#include "support/CutShortSave.h"
#include "support/LaunchState.h"
#include "support/LaunchedApp.h"
#include "support/TaskRunner.h"
#include "support/UsersSettingsFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

// A save killed part way, beside the settings file (or beside the file it links to), is removed by the next launch.
// What a live save holds stays, and so does everything else named like a save that is not a dead one of ours: a link,
// a FIFO, a folder, another user's file, other lengths or letters, a user's own copies. The settings file stays whole.
TEST(DeadSaveLaunch, ALaunchRemovesWhatKilledSavesLeftAndNothingElse)
{
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "settings file linked in" : "settings file in place");
        QTemporaryDir root;
        LaunchedApp app(root.path());
        const QString ini = app.configFolder() + QStringLiteral("/Kestrova/Kestrova.ini");
        const QString file = linked ? root.filePath(QStringLiteral("dotfiles/kestrova.conf")) : ini;
        ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()) && UsersSettingsFile::writeTo(file));
        ASSERT_TRUE(!linked || QFile::link(file, ini));
        const QDir folder = QFileInfo(file).dir();
        const QString name = QFileInfo(file).fileName();
        const QString prefix = name + QLatin1String(SettingsFile::kSaveInfix);
        const auto entries = [&] {
            QStringList found = folder.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
            found.removeAll(name);
            found.sort();
            return found;
        };

        const CutShortSave killed(ini, CutShortSave::Ending::killed);
        ASSERT_TRUE(killed.reached());
        ASSERT_EQ(entries().size(), 1) << entries().join(u' ').toStdString();
        const QString dead = entries().constFirst();
        const CutShortSave live(ini, CutShortSave::Ending::stopped);
        ASSERT_TRUE(live.reached());
        ASSERT_EQ(entries().size(), 2) << entries().join(u' ').toStdString();

        const auto plant = [&](const QString& entry) {
            QFile planted(folder.filePath(entry));
            return planted.open(QIODevice::WriteOnly) && planted.write("kept\n") == 5;
        };
        for (const char* suffix : {"Short", "TooLong", "Ab-123"})
            ASSERT_TRUE(plant(prefix + QLatin1String(suffix)));
        for (const char* userCopy : {".corrupt", ".backup", ".old", ".123456"})
            ASSERT_TRUE(plant(name + QLatin1String(userCopy)));
        ASSERT_TRUE(QFile::link(file, folder.filePath(prefix + QStringLiteral("Linked"))));
        ASSERT_EQ(::mkfifo(QFile::encodeName(folder.filePath(prefix + QStringLiteral("Fifo00"))).constData(), 0600), 0);
        ASSERT_TRUE(folder.mkdir(prefix + QStringLiteral("Folder")));
        if (::geteuid() == 0) {
            const QString others = folder.filePath(prefix + QStringLiteral("Nobody"));
            ASSERT_TRUE(plant(prefix + QStringLiteral("Nobody")));
            ASSERT_EQ(::chown(QFile::encodeName(others).constData(), 65534, 65534), 0);
        }
        QStringList kept = entries();
        kept.removeAll(dead);

        ASSERT_TRUE(app.start(QStringLiteral(KESTROVA_EXECUTABLE)));
        const qint64 pid = app.process.processId();
        const QString run = root.filePath(QStringLiteral("run"));
        // Up, with its settings store made: what was left is settled by then.
        waitUntil(
            [&] {
                return app.process.state() == QProcess::NotRunning
                       || (LaunchState::isUp(pid, run + QStringLiteral("/kestrova.socket"))
                           && LaunchState::settingsCopies({run}, pid, true) == 1);
            },
            std::chrono::seconds(60));
        ASSERT_EQ(LaunchState::settingsCopies({run}, pid, true), 1) << app.terminate().output.toStdString();
        EXPECT_EQ(entries(), kept);
        const std::optional<QVariantMap> values = SettingsFile::valuesIn(UsersSettingsFile::read(file));
        ASSERT_TRUE(values.has_value());
        EXPECT_EQ(values->value(QStringLiteral("Mine/note")).toString(), QStringLiteral("kept"));
        EXPECT_EQ(values->value(QStringLiteral("appTheme")).toString(), QStringLiteral("Nordic"));
        const LaunchedApp::Ending ending = app.terminate(std::chrono::seconds(30));
        EXPECT_TRUE(ending.finished && ending.status == QProcess::NormalExit && ending.exitCode == 0)
            << ending.output.toStdString();
        EXPECT_FALSE(ending.output.contains(QStringLiteral("stays in place"))) << ending.output.toStdString();
    }
}
