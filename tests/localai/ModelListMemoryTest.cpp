#include "LocalAITestFixture.h"

#include "fakes/FakeModelServer.h"
#include "fakes/LoopbackUpstream.h"
#include "support/ResidentMemory.h"
#include "support/SanitizerAllowance.h"
#include "support/TaskRunner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

using namespace std::chrono_literals;

// Ten 2.9 MB lists, fetched two at a time as overlapping watcher ticks do, then short ones: the peak stays
// within 64 MB of idle and within a minute memory comes back within 16 MB (the sanitizer's quarantine aside).
TEST(ModelListMemoryTest, LargeListsPeakNearIdleAndTheMemoryComesBack)
{
    constexpr qint64 MB = 1024 * 1024;
    const QByteArray large = FakeModelServer::modelList(28'000), small = FakeModelServer::modelList(3);
    ASSERT_GT(large.size(), 2'800'000);
    std::atomic<bool> answerLarge{false};
    LoopbackUpstream server([&](int fd) {
        const QByteArray& body = answerLarge ? large : small;
        const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";
        if (!LoopbackUpstream::readSome(fd).isEmpty() && LoopbackUpstream::writeAll(fd, head.constData(), head.size()))
            LoopbackUpstream::writeAll(fd, body.constData(), body.size());
    });
    LocalAITestFixture fixture;
    LocalAIService::Deps deps = fixture.deps(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(server.port())));
    deps.modelListTimeout = 30s; // each list comes whole, however slowly this build reads it
    LocalAIService& service = fixture.make(std::move(deps));
    const auto refresh = [&] { return runTask(service.updateModels(), 30s); };
    for (int i = 0; i < 3; ++i) // the decoding thread and the sockets exist before idle is taken
        ASSERT_TRUE(refresh());
    const qint64 idle = residentBytes();
    ASSERT_TRUE(resetPeakResident());

    answerLarge = true;
    for (int pair = 0; pair < 5; ++pair) {
        QCoro::Task<> overlapping = service.updateModels();
        ASSERT_TRUE(refresh());
        ASSERT_TRUE(runTask(std::move(overlapping), 30s));
        ASSERT_EQ(service.unlistedModelCount(), 27'950);
    }
    const qint64 peak = peakResidentBytes();

    answerLarge = false;
    const auto settled = [&] { return residentBytes() - idle; }; // refreshes go on until it is back, up to a minute
    waitUntil([&] { return !refresh() || settled() < 16 * MB + kSanitizerHeldFreedBytes; }, 60s);
    EXPECT_EQ(service.activeModels().size(), 3);
    EXPECT_LT(peak - idle, 64 * MB + kSanitizerHeldFreedBytes) << "idle " << idle / MB << " MB";
    EXPECT_LT(settled(), 16 * MB + kSanitizerHeldFreedBytes) << "idle " << idle / MB << " MB";
}
