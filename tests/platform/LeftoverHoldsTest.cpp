#include "fakes/FakeProcessSignaller.h"
#include "platform/LeftoverHolds.h"
#include "support/PrintCapture.h"
#include "support/ScratchHoldRecord.h"
#include "support/TaskRunner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr auto identity = &ScratchHoldRecord::identityOf;

bool writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

} // namespace

TEST(HoldRecord, NotesEachHoldBeforeItIsTakenAndGoesOnceNothingIsHeld)
{
    QTemporaryDir root;
    const QString notAFolder = root.filePath(QStringLiteral("file"));
    ASSERT_TRUE(writeFile(notAFolder, "x"));
    const QString shared = root.filePath(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkpath(shared));
    ::chmod(QFile::encodeName(shared).constData(), 0777);
    const QString ours = root.filePath(QStringLiteral("ours"));

    // A path that is no folder and a folder others may write are passed over.
    HoldRecord record({notAFolder, shared, ours}, ProcessRun{4242, 99});
    const QString path = ours + QStringLiteral("/kestrova-held-4242-99");
    const auto text = [&] { return ScratchHoldRecord::textOf(path); };
    record.holdProcess({300, 1300});
    EXPECT_EQ(text(), "kestrova-held 1\nprocess 300 1300\n");
    record.holdProcess({300, 1300}); // a row freezes what the shield froze
    record.holdContainer(QStringLiteral("c0ffee"));
    record.holdContainer(QStringLiteral("-rf")); // never a container of the engine's
    EXPECT_EQ(text(), "kestrova-held 1\nprocess 300 1300\ncontainer c0ffee\n");
    record.releaseProcess({300, 1300});
    EXPECT_EQ(text(), "kestrova-held 1\nprocess 300 1300\ncontainer c0ffee\n");
    record.releaseProcess({300, 1300});
    record.releaseProcess({301, 1301}); // never held
    EXPECT_EQ(text(), "kestrova-held 1\ncontainer c0ffee\n");
    record.releaseContainer(QStringLiteral("c0ffee"));
    EXPECT_EQ(QDir(ours).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    EXPECT_EQ(QDir(shared).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());

    for (const char* whole : {"kestrova-held 1\nprocess 300 1300\ncontainer c0ffee\n", "kestrova-held 1\n"})
        EXPECT_TRUE(HoldRecord::decode(whole)) << whole;
    for (const char* broken : {"kestrova-held 1\nprocess 300 1300" /* cut short */, "kestrova-held 2\nprocess 300 1300\n",
                               "kestrova-held 1\nprocess 1 1300\n", "kestrova-held 1\nprocess 300 -5\n",
                               "kestrova-held 1\ncontainer --all\n", "kestrova-held 1\nprocess 300 1300 7\n"})
        EXPECT_FALSE(HoldRecord::decode(broken)) << broken;
    EXPECT_FALSE(HoldRecord::decode("kestrova-held 1\n" + QByteArray(HoldRecord::kMaxBytes, '\n')));
    EXPECT_EQ(HoldRecord::runNamedBy(QStringLiteral("kestrova-held-4242-99")), (ProcessRun{4242, 99}));
    EXPECT_EQ(HoldRecord::runNamedBy(QStringLiteral("kestrova-held-2147483647-18446744073709551615")),
              (ProcessRun{2147483647, 18446744073709551615ULL}));
    // Only the one spelling a run writes: never another run's name read loosely.
    for (const char* name : {"kestrova-held-4242-99.new", "kestrova-held-0-99", "kestrova-held-4242-", "kestrova-held-4242-99x",
                             "kestrova-held-4242-0", "kestrova-held-4242-00", "kestrova-held-4242-099", "kestrova-held-04242-99",
                             "kestrova-held-4242-+99", "kestrova-held--4242-99", "kestrova-held-4242--99", "kestrova-held-4242-99-1",
                             "kestrova-held-2147483648-99", "kestrova-held-4242-18446744073709551616", "kestrova-held-4242- 99",
                             "kestrova-held-4242"})
        EXPECT_FALSE(HoldRecord::runNamedBy(QLatin1String(name))) << name;
}

// A run that cannot name itself keeps no record (another launch could take
// it for a gone run's while it lives) and says so once, however often it holds.
TEST(HoldRecord, ARunWithoutAStartTimeKeepsNoRecordAndSaysSoOnce)
{
    QTemporaryDir folder;
    PrintCapture printed;
    HoldRecord record({folder.path()}, std::nullopt);
    record.holdProcess({300, 1300});
    record.holdContainer(QStringLiteral("c0ffee"));
    record.releaseProcess({300, 1300});
    record.holdProcess({301, 1301});
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    ASSERT_EQ(printed.lines().size(), 1) << printed.lines().join(u'\n').toStdString();
    EXPECT_TRUE(printed.lines()[0].contains(QStringLiteral("start time could not be read"))) << printed.lines()[0].toStdString();
}

// A record named after a pid that runs is that run's under its own start time
// only: any other spelling of it ("-0" as a run that could not read its start
// time wrote, leading zeros) is neither read as a gone run's nor removed.
TEST(LeftoverHolds, ARecordNamingALiveRunIsNeverGivenBackHoweverItIsSpelt)
{
    SleepChild liveRun;
    const ProcessRun live = identity(liveRun.pid());
    ASSERT_GT(live.startTime, 0u);
    const QByteArray text = HoldRecord::encode({{{300, 1300}}, {QStringLiteral("c0ffee")}});
    const QString pid = QString::number(live.pid);
    const QString start = QString::number(live.startTime);
    for (const QString& spelt : {start, QStringLiteral("0"), QStringLiteral("00"), QLatin1Char('0') + start, QStringLiteral("000") + start}) {
        SCOPED_TRACE(spelt.toStdString());
        QTemporaryDir folder;
        const QString name = QLatin1String(HoldRecord::kFilePrefix) + pid + QLatin1Char('-') + spelt;
        const QString staging = folder.filePath(QLatin1Char('.') + name + QStringLiteral(".new"));
        ASSERT_TRUE(writeFile(folder.filePath(name), text) && writeFile(staging, text));
        EXPECT_TRUE(LeftoverHolds::findIn(folder.path()).isEmpty());
        EXPECT_TRUE(QFile::exists(folder.filePath(name)) && QFile::exists(staging));
    }
}

// Only records of gone runs, regular files of ours in a folder of ours, whole,
// are read; each resumes only a process still stopped under its start time.
// The staging file a run killed while writing its record left goes once that
// run is gone.
TEST(LeftoverHolds, GivesBackOnlyWhatAGoneRunOfOursStillHolds)
{
    SleepChild frozen;      // still stopped, as recorded: resumed
    SleepChild impostor;    // stopped, but recorded with another start time
    SleepChild running;     // recorded, but no longer stopped
    SleepChild liveRun;     // a run that still lives
    for (SleepChild* child : {&frozen, &impostor})
        ::kill(child->pid(), SIGSTOP);
    ASSERT_TRUE(waitUntil([&] { return frozen.state() == 'T' && impostor.state() == 'T'; }));
    const ProcessRun impostorOther{impostor.pid(), identity(impostor.pid()).startTime + 1};
    const HoldRecord::Contents all{{identity(frozen.pid()), impostorOther, identity(running.pid())}, {QStringLiteral("c0ffee")}};

    enum class Place { gone, liveRun, thisRun, link, directory, fifo, foreign, tooLarge, garbled, sharedFolder };
    const struct {
        const char* name;
        Place place;
    } cases[] = {
        {"a gone run's record", Place::gone},
        {"a live run's record", Place::liveRun},
        {"this run's own record", Place::thisRun},
        {"a link to a gone run's record", Place::link},
        {"a folder named as a record", Place::directory},
        {"a pipe named as a record", Place::fifo},
        {"another user's record", Place::foreign},
        {"a record beyond the cap", Place::tooLarge},
        {"a garbled record", Place::garbled},
        {"a record in a folder others may write", Place::sharedFolder},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.place == Place::foreign && ::geteuid() != 0)
            continue; // only root can give a file away
        QTemporaryDir folder;
        const ProcessRun run = c.place == Place::liveRun   ? identity(liveRun.pid())
                              : c.place == Place::thisRun ? *ProcessRun::self()
                                                          : ScratchHoldRecord::goneRun();
        const QString path = folder.filePath(HoldRecord::fileName(run));
        const QString staging = folder.filePath(QLatin1Char('.') + HoldRecord::fileName(run) + QStringLiteral(".new"));
        ASSERT_TRUE(writeFile(staging, "kestrova-held 1\n"));
        QByteArray text = HoldRecord::encode(all);
        if (c.place == Place::tooLarge)
            text += QByteArray(HoldRecord::kMaxBytes, 'x');
        if (c.place == Place::garbled)
            text.replace("process", "proc");
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath(QStringLiteral("r"));
        const bool planted = c.place == Place::link        ? writeFile(target, text) && QFile::link(target, path)
                           : c.place == Place::directory ? QDir().mkpath(path)
                           : c.place == Place::fifo      ? ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0
                                                         : writeFile(path, text);
        ASSERT_TRUE(planted && (c.place != Place::foreign || ::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0));
        if (c.place == Place::sharedFolder)
            ::chmod(QFile::encodeName(folder.path()).constData(), 0777);

        const QList<LeftoverHolds::Record> found = LeftoverHolds::findIn(folder.path());
        const bool gone = c.place == Place::gone;
        ASSERT_EQ(found.size(), gone ? 1 : 0);
        EXPECT_TRUE(QFileInfo::exists(path) || QFileInfo(path).isSymLink()) << "no record is removed while reading";
        const bool stagingStays = c.place == Place::liveRun || c.place == Place::thisRun || c.place == Place::sharedFolder;
        EXPECT_EQ(QFile::exists(staging), stagingStays);
        if (!gone)
            continue;
        EXPECT_EQ(found[0].run, run);
        EXPECT_EQ(found[0].contents.containers, QStringList{"c0ffee"});

        FakeProcessSignaller signaller;
        const LeftoverHolds::Resumed resumed = LeftoverHolds::resume(found[0].contents.processes, signaller);
        EXPECT_EQ(resumed.pids, QList<qint32>{frozen.pid()});
        EXPECT_EQ(signaller.attempts, (QList<FakeProcessSignaller::Sent>{{frozen.pid(), SIGCONT}}));
        EXPECT_EQ(signaller.startTimes, (QList<std::optional<quint64>>{identity(frozen.pid()).startTime}));
    }

    // For real: the frozen one runs again, the impostor stays stopped.
    const LeftoverHolds::Resumed resumed = LeftoverHolds::resume(all.processes, ProcessSignaller::system());
    EXPECT_EQ(resumed.pids, QList<qint32>{frozen.pid()});
    EXPECT_TRUE(waitUntil([&] { return frozen.state() != 'T'; })) << frozen.state();
    EXPECT_EQ(impostor.state(), 'T');
}
