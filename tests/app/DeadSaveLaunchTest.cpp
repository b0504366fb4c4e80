#include "core/SettingsFile.h"
#include "support/CutShortSave.h"
#include "support/LaunchState.h"
#include "support/ScratchHoldRecord.h"
#include "support/UsersSettingsFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

// A save killed part way, beside the settings file (or beside the file it links to), is removed by the next launch, and
// so is a file named as a save of a run that is gone. What a live save holds stays, and so does everything else named
// like a save that is not a dead one of ours: a file named after a run that lives, a run's name spelt otherwise, a
// link, a FIFO, a folder, another user's file, other lengths or letters, a user's own copies ("save-backup" among
// them). The settings file stays whole.
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
            return found;
        };

        ForkedChild killed = cutShortSave(ini);
        ASSERT_TRUE(killed.ready() && killed.endsBy(SIGKILL, true));
        ASSERT_EQ(entries().size(), 1) << entries().join(u' ').toStdString();
        const QString dead = entries().constFirst();
        const ForkedChild live = cutShortSave(ini);
        ASSERT_TRUE(live.ready());
        ASSERT_EQ(entries().size(), 2) << entries().join(u' ').toStdString();

        const SleepChild living;
        const QString livingRun = prefix + ScratchHoldRecord::identityOf(living.pid()).text();
        const ProcessRun goneRun = ScratchHoldRecord::goneRun();
        const QString gone = prefix + goneRun.text();
        const QString goneAgain = prefix + QStringLiteral("%1-0%2").arg(goneRun.pid).arg(goneRun.startTime);
        QStringList planted{prefix + QStringLiteral("backup"), prefix + QStringLiteral("2024ok"), prefix + QStringLiteral("Short"),
                            prefix + QStringLiteral("TooLong"), prefix + QStringLiteral("Ab-123"), livingRun + QStringLiteral("-Abc123"),
                            goneAgain + QStringLiteral("-Abc123"), gone + QStringLiteral("-TooLong"), gone + QStringLiteral("Abc123"),
                            name + QStringLiteral(".corrupt"), name + QStringLiteral(".backup"), name + QStringLiteral(".old"),
                            name + QStringLiteral(".123456")};
        if (::geteuid() == 0)
            planted.append(gone + QStringLiteral("-Nobody")); // given to that user below
        for (const QString& entry : planted) {
            QFile plant(folder.filePath(entry));
            ASSERT_TRUE(plant.open(QIODevice::WriteOnly) && plant.write("kept\n") == 5);
        }
        ASSERT_TRUE(::geteuid() != 0 || ::chown(QFile::encodeName(folder.filePath(planted.last())).constData(), 65534, 65534) == 0);
        ASSERT_TRUE(QFile::link(file, folder.filePath(gone + QStringLiteral("-Linked"))));
        ASSERT_EQ(::mkfifo(QFile::encodeName(folder.filePath(gone + QStringLiteral("-Fifo00"))).constData(), 0600), 0);
        ASSERT_TRUE(folder.mkdir(gone + QStringLiteral("-Folder")));
        QStringList kept = entries();
        kept.removeAll(dead);
        QFile goneSave(folder.filePath(gone + QStringLiteral("-Abc123")));
        ASSERT_TRUE(goneSave.open(QIODevice::WriteOnly) && goneSave.write("left\n") == 5);
        goneSave.close();

        ASSERT_TRUE(app.start(QStringLiteral(KESTROVA_EXECUTABLE)));
        ASSERT_TRUE(app.saysItIsUp()) << app.terminate().output.toStdString();
        EXPECT_EQ(entries().join(u' ').toStdString(), kept.join(u' ').toStdString());
        const QVariantMap values = SettingsFile::valuesIn(UsersSettingsFile::read(file)).value_or(QVariantMap());
        EXPECT_EQ(values.value(QStringLiteral("Mine/note")).toString(), QStringLiteral("kept"));
        EXPECT_EQ(values.value(QStringLiteral("appTheme")).toString(), QStringLiteral("Nordic"));
        QString output;
        EXPECT_TRUE(LaunchState::leavesWithZero(app, &output));
        EXPECT_FALSE(output.contains(QStringLiteral("stays in place"))) << output.toStdString();
    }
}
