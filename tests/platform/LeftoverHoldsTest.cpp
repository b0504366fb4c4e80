// Records of what runs held, read back at launch: only a gone run's own
// record is trusted, and only a process that is still the one recorded and
// still stopped is resumed.
#include "fakes/FakeProcessSignaller.h"
#include "platform/HoldRecord.h"
#include "platform/LeftoverHolds.h"
#include "platform/ProcessStartTime.h"
#include "support/SleepChild.h"
#include "support/TaskRunner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

namespace {

HeldProcess identity(qint32 pid)
{
    return {pid, readProcessStartTime(pid).value_or(0)};
}

void writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

// A run that is gone: a child that ran and was reaped.
HeldProcess goneRun()
{
    SleepChild run;
    const HeldProcess identity = ::identity(run.pid());
    run.end();
    return identity;
}

} // namespace

TEST(HoldRecord, NotesEachHoldBeforeItIsTakenAndGoesOnceNothingIsHeld)
{
    QTemporaryDir root;
    const QString notAFolder = root.filePath(QStringLiteral("file"));
    writeFile(notAFolder, "x");
    const QString shared = root.filePath(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkpath(shared));
    ::chmod(QFile::encodeName(shared).constData(), 0777);
    const QString ours = root.filePath(QStringLiteral("ours"));

    // A path that is no folder and a folder others may write are passed over.
    HoldRecord record({notAFolder, shared, ours}, {4242, 99});
    const QString path = ours + QStringLiteral("/kestrova-held-4242-99");
    const auto text = [&] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
    };
    record.holdProcess({300, 1300});
    EXPECT_EQ(record.filePath(), path);
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
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(record.filePath().isEmpty());
    EXPECT_EQ(QDir(ours).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    EXPECT_EQ(QDir(shared).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());

    const struct {
        const char* text;
        bool whole;
    } texts[] = {
        {"kestrova-held 1\nprocess 300 1300\ncontainer c0ffee\n", true},
        {"kestrova-held 1\n", true},
        {"kestrova-held 1\nprocess 300 1300", false}, // cut short
        {"kestrova-held 2\nprocess 300 1300\n", false},
        {"kestrova-held 1\nprocess 1 1300\n", false},
        {"kestrova-held 1\nprocess 300 -5\n", false},
        {"kestrova-held 1\ncontainer --all\n", false},
        {"kestrova-held 1\nprocess 300 1300 7\n", false},
    };
    for (const auto& t : texts)
        EXPECT_EQ(HoldRecord::decode(t.text).has_value(), t.whole) << t.text;
    EXPECT_FALSE(HoldRecord::decode("kestrova-held 1\n" + QByteArray(HoldRecord::kMaxBytes, '\n')));
    EXPECT_EQ(HoldRecord::runNamedBy(QStringLiteral("kestrova-held-4242-99")), (HeldProcess{4242, 99}));
    for (const char* name : {"kestrova-held-4242-99.new", "kestrova-held-0-99", "kestrova-held-4242-", "kestrova-held-4242-99x"})
        EXPECT_FALSE(HoldRecord::runNamedBy(QLatin1String(name))) << name;
}

// Only records of gone runs, regular files of ours in a folder of ours, whole,
// are read; each resumes only a process still stopped under its start time.
TEST(LeftoverHolds, GivesBackOnlyWhatAGoneRunOfOursStillHolds)
{
    SleepChild frozen;      // still stopped, as recorded: resumed
    SleepChild impostor;    // stopped, but recorded with another start time
    SleepChild running;     // recorded, but no longer stopped
    SleepChild liveRun;     // a run that still lives
    for (SleepChild* child : {&frozen, &impostor})
        ::kill(child->pid(), SIGSTOP);
    ASSERT_TRUE(waitUntil([&] { return frozen.state() == 'T' && impostor.state() == 'T'; }));
    const HeldProcess impostorOther{impostor.pid(), identity(impostor.pid()).startTime + 1};
    const HoldRecord::Contents all{{identity(frozen.pid()), impostorOther, identity(running.pid())}, {QStringLiteral("c0ffee")}};

    enum class Place { gone, liveRun, thisRun, link, directory, fifo, foreign, tooLarge, garbled, sharedFolder };
    const struct {
        const char* name;
        Place place;
        bool found;
    } cases[] = {
        {"a gone run's record", Place::gone, true},
        {"a live run's record", Place::liveRun, false},
        {"this run's own record", Place::thisRun, false},
        {"a link to a gone run's record", Place::link, false},
        {"a folder named as a record", Place::directory, false},
        {"a pipe named as a record", Place::fifo, false},
        {"another user's record", Place::foreign, false},
        {"a record beyond the cap", Place::tooLarge, false},
        {"a garbled record", Place::garbled, false},
        {"a record in a folder others may write", Place::sharedFolder, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.place == Place::foreign && ::geteuid() != 0)
            continue; // only root can give a file away
        QTemporaryDir folder;
        const HeldProcess run = c.place == Place::liveRun   ? identity(liveRun.pid())
                              : c.place == Place::thisRun ? *HoldRecord::thisRun()
                                                          : goneRun();
        const QString path = folder.filePath(HoldRecord::fileName(run));
        QByteArray text = HoldRecord::encode(all);
        if (c.place == Place::tooLarge)
            text += QByteArray(HoldRecord::kMaxBytes, 'x');
        if (c.place == Place::garbled)
            text.replace("process", "proc");
        QTemporaryDir elsewhere;
        switch (c.place) {
        case Place::link:
            writeFile(elsewhere.filePath(QStringLiteral("r")), text);
            ASSERT_TRUE(QFile::link(elsewhere.filePath(QStringLiteral("r")), path));
            break;
        case Place::directory:
            ASSERT_TRUE(QDir().mkpath(path));
            break;
        case Place::fifo:
            ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            break;
        default:
            writeFile(path, text);
        }
        if (c.place == Place::foreign) {
            ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
        }
        if (c.place == Place::sharedFolder)
            ::chmod(QFile::encodeName(folder.path()).constData(), 0777);

        const QList<LeftoverHolds::Record> found = LeftoverHolds::findIn(folder.path());
        ASSERT_EQ(found.size(), c.found ? 1 : 0);
        EXPECT_TRUE(QFileInfo::exists(path) || QFileInfo(path).isSymLink()) << "nothing is removed while reading";
        if (!c.found)
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

// A run killed while writing its record leaves a staging file: removed once
// that run is gone, kept while it lives.
TEST(LeftoverHolds, StagingFilesOfGoneRunsGo)
{
    SleepChild liveRun;
    QTemporaryDir folder;
    const QString gone = folder.filePath(QLatin1Char('.') + HoldRecord::fileName(goneRun()) + QStringLiteral(".new"));
    const QString live = folder.filePath(QLatin1Char('.') + HoldRecord::fileName(identity(liveRun.pid())) + QStringLiteral(".new"));
    writeFile(gone, "kestrova-held 1\n");
    writeFile(live, "kestrova-held 1\n");
    EXPECT_TRUE(LeftoverHolds::findIn(folder.path()).isEmpty());
    EXPECT_FALSE(QFile::exists(gone));
    EXPECT_TRUE(QFile::exists(live));
}
