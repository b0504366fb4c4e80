#include "support/OwnPidNamespace.h"

#include "platform/ToolPaths.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

const char* const kMarker = "KESTROVA_TEST_IN_OWN_PID_NAMESPACE";

} // namespace

bool OwnPidNamespace::inside()
{
    return qgetenv(kMarker) == "1";
}

void OwnPidNamespace::runCurrentTestAndReport()
{
    const QString unshare = ToolPaths::tool(QStringLiteral("unshare"));
    if (!unshare.contains(QLatin1Char('/')))
        GTEST_SKIP() << "unshare is not installed";
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
        ADD_FAILURE() << "the isolated run did not finish: " << child.errorString().toStdString();
        return;
    }
    const std::string output = QString::fromLocal8Bit(child.readAll()).toStdString();
    const auto printed = [&](const char* tag) { return output.find(tag + name.toStdString()) != std::string::npos; };
    if (!printed("[ RUN      ] "))
        GTEST_SKIP() << "no PID namespace can be made here: " << output; // unshare itself failed
    if (printed("[  SKIPPED ] "))
        GTEST_SKIP() << "skipped inside its own PID namespace:\n" << output;
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0 || !printed("[       OK ] "))
        ADD_FAILURE() << "inside its own PID namespace:\n" << output;
}
