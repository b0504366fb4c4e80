#include "telemetry/PublicAddressFetcher.h"
#include "fakes/ScriptedHttpServer.h"
#include "support/TaskRunner.h"

#include <QElapsedTimer>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QByteArray http(int status, const QByteArray& body) { return ScriptedHttpServer::reply(status, body); }

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
