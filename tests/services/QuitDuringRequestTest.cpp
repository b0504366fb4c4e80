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

// Each starts one request from an owner made as the app makes it (a child of
// the application object, so destroyed only with it) to a refused loopback
// port, and returns whether that request still runs.
const std::map<QString, std::function<std::function<bool()>()>>& requests()
{
    static const std::map<QString, std::function<std::function<bool()>()>> all = {
        {QStringLiteral("public address over TLS"),
         [] {
             auto* fetcher = new PublicAddressFetcher(QUrl(QStringLiteral("https://127.0.0.1:1/")), 5s,
                                                      QCoreApplication::instance());
             fetcher->start();
             return std::function<bool()>([fetcher] { return fetcher->inFlight() || fetcher->start(); });
         }},
        {QStringLiteral("public address"),
         [] {
             auto* fetcher = new PublicAddressFetcher(QUrl(QStringLiteral("http://127.0.0.1:1/")), 5s,
                                                      QCoreApplication::instance());
             fetcher->start();
             return std::function<bool()>([fetcher] { return fetcher->inFlight() || fetcher->start(); });
         }},
        {QStringLiteral("update check"),
         [] {
             auto* updater = new AutoUpdater({QUrl(QStringLiteral("https://127.0.0.1:1")), QStringLiteral("1.9.2"), 5s},
                                             QCoreApplication::instance());
             [[maybe_unused]] QCoro::Task<> check = updater->checkForUpdates();
             return std::function<bool()>([updater] {
                 [[maybe_unused]] QCoro::Task<> again = updater->checkForUpdates();
                 return updater->isChecking();
             });
         }},
    };
    return all;
}

} // namespace

// A quit that comes while a request is still being set up ends a copy of this program with 0, with the request
// ended, none started after it, and nothing unreachable at its exit (the sanitized build checks for leaks there).
TEST(QuitDuringRequest, EndsTheRequestAndLeavesNothingBehind)
{
    for (const auto& [name, start] : requests()) {
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
    const std::function<bool()> runs = requests().at(name)();
    ASSERT_TRUE(runs());
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    QCoreApplication::exec();
    EXPECT_FALSE(runs()) << "the quit ends the request and nothing starts after it";
}
