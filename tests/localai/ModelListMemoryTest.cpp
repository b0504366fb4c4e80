#include "LocalAITestFixture.h"

#include "fakes/LoopbackUpstream.h"
#include "support/ResidentMemory.h"
#include "support/SanitizerAllowance.h"
#include "support/TaskRunner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

using namespace std::chrono_literals;

namespace {

// `count` models as a real server lists them, about 300 bytes each.
QByteArray serverList(int count)
{
    QByteArray body = "{\"models\":[";
    for (int i = 0; i < count; ++i) {
        const QByteArray name = "model-" + QByteArray::number(i) + ":8b";
        body += QByteArray(i > 0 ? "," : "") + "{\"name\":\"" + name + "\",\"model\":\"" + name
              + "\",\"size\":4661224816,\"digest\":\"365c0bd3c000a25d28ddbf732fe1c6add414de7275464c4e4d1c3b5fcb5d8ad1\","
                "\"details\":{\"format\":\"gguf\",\"family\":\"llama\",\"families\":[\"llama\"],\"parameter_size\":\"8B\","
                "\"quantization_level\":\"Q4_0\"},\"expires_at\":\"2024-06-04T14:38:31.83753-07:00\"}";
    }
    return body + "]}";
}

} // namespace

// Ten 3 MB lists of 10,000 models, fetched two at a time as overlapping watcher ticks do,
// then short ones: the peak stays near idle and the memory comes back.
TEST(ModelListMemoryTest, LargeListsPeakNearIdleAndTheMemoryComesBack)
{
    constexpr qint64 MB = 1024 * 1024;
    // The sanitizer holds freed memory back in its quarantine.
    constexpr qint64 peakBound = 64 * MB + kSanitizerHeldFreedBytes;
    constexpr qint64 settledBound = 16 * MB + kSanitizerHeldFreedBytes;
    const QByteArray large = serverList(10'000);
    const QByteArray small = serverList(3);
    ASSERT_GT(large.size(), 2'800'000);
    std::atomic<bool> answerLarge{false};
    LoopbackUpstream server([&](int fd) {
        if (LoopbackUpstream::readSome(fd).isEmpty())
            return;
        const QByteArray& body = answerLarge ? large : small;
        const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: "
                              + QByteArray::number(body.size()) + "\r\n\r\n";
        if (LoopbackUpstream::writeAll(fd, head.constData(), head.size()))
            LoopbackUpstream::writeAll(fd, body.constData(), body.size());
    });
    LocalAITestFixture fixture;
    LocalAIService& service =
        fixture.make(fixture.deps(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(server.port()))));
    const auto refresh = [&] { return runTask(service.updateModels(), 30s); };
    for (int i = 0; i < 3; ++i) // the decoding thread and the sockets exist before idle is taken
        ASSERT_TRUE(refresh());
    const qint64 idle = residentBytes();
    ASSERT_TRUE(resetPeakResident()) << "the peak is read from /proc/self/status";

    answerLarge = true;
    for (int pair = 0; pair < 5; ++pair) {
        QCoro::Task<> overlapping = service.updateModels();
        ASSERT_TRUE(refresh());
        ASSERT_TRUE(runTask(std::move(overlapping), 30s));
        ASSERT_EQ(service.activeModels().size(), 50);
        EXPECT_EQ(service.unlistedModelCount(), 9'950);
    }
    const qint64 peak = peakResidentBytes();

    answerLarge = false;
    qint64 settled = 0;
    // Settling is not timed: refreshes go on until memory is back, up to a minute.
    waitUntil([&] {
        if (!refresh())
            return true;
        settled = residentBytes();
        return settled - idle < settledBound;
    }, 60s);
    EXPECT_EQ(service.activeModels().size(), 3);
    EXPECT_LT(peak - idle, peakBound) << "idle " << idle / MB << " MB";
    EXPECT_LT(settled - idle, settledBound) << "idle " << idle / MB << " MB";
}
