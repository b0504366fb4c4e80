#include "support/OwnPidNamespace.h"

#include "platform/ToolPaths.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace OwnPidNamespace {

namespace {

const char* const kMarker = "KESTROVA_TEST_IN_OWN_PID_NAMESPACE";

} // namespace

bool inside()
{
    return qgetenv(kMarker) == "1";
}

Outcome runCurrentTest()
{
    Outcome outcome;
    const QString unshare = ToolPaths::tool(QStringLiteral("unshare"));
    if (!unshare.contains(QLatin1Char('/'))) {
        outcome.output = QStringLiteral("unshare is not installed");
        return outcome;
    }
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString name = QString::fromLatin1(test->test_suite_name()) + QLatin1Char('.') + QString::fromLatin1(test->name());

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kMarker), QStringLiteral("1"));
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    // The test binary becomes the namespace's first process: when it ends,
    // the kernel ends every process the test left behind in there.
    child.start(unshare, {QStringLiteral("--user"), QStringLiteral("--map-root-user"), QStringLiteral("--pid"),
                          QStringLiteral("--fork"), QStringLiteral("--mount-proc"), QStringLiteral("--kill-child"),
                          QCoreApplication::applicationFilePath(), QStringLiteral("--gtest_filter=") + name});
    if (!child.waitForStarted() || !child.waitForFinished(90'000)) {
        child.kill();
        child.waitForFinished();
        outcome.kind = Outcome::failed;
        outcome.output = QStringLiteral("the isolated run did not finish: ") + child.errorString();
        return outcome;
    }
    outcome.output = QString::fromLocal8Bit(child.readAll());
    if (!outcome.output.contains(QStringLiteral("[ RUN      ] ") + name))
        outcome.kind = Outcome::unavailable; // unshare itself failed
    else if (outcome.output.contains(QStringLiteral("[  SKIPPED ] ") + name))
        outcome.kind = Outcome::skipped;
    else if (child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0
             && outcome.output.contains(QStringLiteral("[       OK ] ") + name))
        outcome.kind = Outcome::passed;
    else
        outcome.kind = Outcome::failed;
    return outcome;
}

void runCurrentTestAndReport()
{
    const Outcome outcome = runCurrentTest();
    switch (outcome.kind) {
    case Outcome::passed:
        return;
    case Outcome::failed:
        ADD_FAILURE() << "inside its own PID namespace:\n" << outcome.output.toStdString();
        return;
    case Outcome::skipped:
        GTEST_SKIP() << "skipped inside its own PID namespace:\n" << outcome.output.toStdString();
    case Outcome::unavailable:
        GTEST_SKIP() << "no PID namespace can be made here: " << outcome.output.toStdString();
    }
}

} // namespace OwnPidNamespace
