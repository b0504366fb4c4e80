#include "services/AutoUpdater.h"
#include "telemetry/PublicAddressFetcher.h"

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace std::chrono_literals;

namespace {

constexpr char requestVariable[] = "KESTROVA_QUIT_DURING_REQUEST";

using Running = std::function<bool()>;

// Starts one request to a refused loopback port from an owner made as the app
// makes it (a child of the application object, so destroyed only with it);
// the answer says whether a request still runs or starts again.
Running publicAddress(const char* url)
{
    auto* fetcher = new PublicAddressFetcher(QUrl(QString::fromLatin1(url)), 5s, QCoreApplication::instance());
    fetcher->start();
    return [fetcher] { return fetcher->inFlight() || fetcher->start(); };
}

Running updateCheck()
{
    auto* updater = new AutoUpdater({QUrl(QStringLiteral("https://127.0.0.1:1")), QStringLiteral("1.9.2"), 5s},
                                    QCoreApplication::instance());
    [[maybe_unused]] QCoro::Task<> check = updater->checkForUpdates();
    return [updater] {
        [[maybe_unused]] QCoro::Task<> again = updater->checkForUpdates();
        return updater->isChecking();
    };
}

const std::map<QString, std::function<Running()>> requests = {
    {QStringLiteral("public address over TLS"), [] { return publicAddress("https://127.0.0.1:1/"); }},
    {QStringLiteral("public address"), [] { return publicAddress("http://127.0.0.1:1/"); }},
    {QStringLiteral("update check"), updateCheck},
};

} // namespace

// A quit that comes while a request is still being set up ends a copy of this program with 0, with the request
// ended, none started after it, and nothing unreachable at its exit (the sanitized build checks for leaks there).
TEST(QuitDuringRequest, EndsTheRequestAndLeavesNothingBehind)
{
    for (const auto& [name, start] : requests) {
        SCOPED_TRACE(name.toStdString());
        QProcess copy;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(requestVariable), name);
        copy.setProcessEnvironment(environment);
        copy.setProcessChannelMode(QProcess::MergedChannels);
        copy.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=QuitDuringRequestHelper.*")});
        ASSERT_TRUE(copy.waitForFinished(120000));
        const QString output = QString::fromUtf8(copy.readAll());
        EXPECT_TRUE(copy.exitStatus() == QProcess::NormalExit && copy.exitCode() == 0) << output.toStdString();
        EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
    }
}

// Runs only inside the copies started by the test above.
TEST(QuitDuringRequestHelper, QuitsAtOnce)
{
    const QString name = qEnvironmentVariable(requestVariable);
    if (name.isEmpty())
        GTEST_SKIP() << "runs only as the child of QuitDuringRequest.EndsTheRequestAndLeavesNothingBehind";
    const Running runs = requests.at(name)();
    ASSERT_TRUE(runs());
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    QCoreApplication::exec();
    EXPECT_FALSE(runs()) << "the quit ends the request and nothing starts after it";
}
