#include "telemetry/PublicAddressFetcher.h"
#include "fakes/ScriptedHttpServer.h"
#include "support/TaskRunner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QByteArray http(int status, const QByteArray& body) { return ScriptedHttpServer::reply(status, body); }

constexpr char quitSchemeVariable[] = "KESTROVA_FETCH_QUIT_SCHEME";

} // namespace

TEST(PublicAddressFetcherTest, TakesA2xxAnswerExactlyAsReceived)
{
    ScriptedHttpServer server;
    server.response = http(200, "203.0.113.7\n");
    PublicAddressFetcher fetcher(server.url(), 2s);
    QSignalSpy spy(&fetcher, &PublicAddressFetcher::fetched);
    ASSERT_TRUE(fetcher.start());
    EXPECT_FALSE(fetcher.start()) << "one request in flight at a time";
    ASSERT_TRUE(waitUntil([&] { return !fetcher.inFlight(); }));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toString(), QStringLiteral("203.0.113.7\n"));
    EXPECT_EQ(server.requests, 1);
}

TEST(PublicAddressFetcherTest, DropsErrorsOversizedAnswersAndSilence)
{
    ScriptedHttpServer server;
    PublicAddressFetcher fetcher(server.url(), 300ms);
    QSignalSpy spy(&fetcher, &PublicAddressFetcher::fetched);
    for (const QByteArray& reply : {http(503, "1.2.3.4"), http(200, QByteArray(65, '1')), http(200, "\xff\xfe")}) {
        server.response = reply;
        ASSERT_TRUE(fetcher.start());
        ASSERT_TRUE(waitUntil([&] { return !fetcher.inFlight(); }));
    }
    server.hang = true;
    const int before = server.requests;
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(fetcher.start());
    EXPECT_TRUE(waitUntil([&] { return !fetcher.inFlight(); }, 3s)) << "a silent server must time out";
    EXPECT_EQ(server.requests, before + 1);
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_EQ(spy.count(), 0);

    server.close();
    PublicAddressFetcher refused(QUrl(QStringLiteral("http://127.0.0.1:1/")), 1s);
    QSignalSpy refusedSpy(&refused, &PublicAddressFetcher::fetched);
    ASSERT_TRUE(refused.start());
    EXPECT_TRUE(waitUntil([&] { return !refused.inFlight(); }));
    EXPECT_EQ(refusedSpy.count(), 0);
}

// A quit that comes while a request is still being set up, over TLS or not, ends the copy below with 0, with no
// request left and nothing unreachable at its exit (the sanitized build checks for leaks there), though the fetcher
// is destroyed only with the application object, as the app's is.
TEST(PublicAddressFetcherTest, AQuitDuringARequestLeavesNothingBehind)
{
    for (const char* scheme : {"https", "http"}) {
        SCOPED_TRACE(scheme);
        QProcess copy;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(quitSchemeVariable), QString::fromLatin1(scheme));
        copy.setProcessEnvironment(environment);
        copy.setProcessChannelMode(QProcess::MergedChannels);
        copy.start(QCoreApplication::applicationFilePath(),
                   {QStringLiteral("--gtest_filter=PublicAddressFetcherQuitHelper.QuitsDuringARequest")});
        ASSERT_TRUE(copy.waitForFinished(120000));
        const QString output = QString::fromUtf8(copy.readAll());
        EXPECT_TRUE(copy.exitStatus() == QProcess::NormalExit && copy.exitCode() == 0) << output.toStdString();
        EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
    }
}

// Runs only inside the copy started by the test above.
TEST(PublicAddressFetcherQuitHelper, QuitsDuringARequest)
{
    const QString scheme = qEnvironmentVariable(quitSchemeVariable);
    if (scheme.isEmpty())
        GTEST_SKIP() << "runs only as the child of PublicAddressFetcherTest.AQuitDuringARequestLeavesNothingBehind";
    auto* fetcher = new PublicAddressFetcher(QUrl(scheme + QStringLiteral("://127.0.0.1:1/")), 5s, QCoreApplication::instance());
    ASSERT_TRUE(fetcher->start());
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    QCoreApplication::exec();
    EXPECT_FALSE(fetcher->inFlight()) << "the quit ends the request";
    EXPECT_FALSE(fetcher->start()) << "nothing starts once the application quits";
}
