#include "LocalAITestFixture.h"

#include "fakes/FakeModelServer.h"
#include "fakes/LoopbackUpstream.h"
#include "localai/InternetDateTime.h"
#include "localai/ModelListDecoder.h"
#include "support/PrintCapture.h"
#include "support/ResidentMemory.h"
#include "support/SanitizerAllowance.h"
#include "support/TaskRunner.h"
#include "support/ThreadCpuTime.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTimeZone>
#include <QTimer>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>

using namespace std::chrono_literals;

namespace {

class ModelServerClientTest : public ::testing::Test {
protected:
    LocalAIService& service() { return fixture.service ? *fixture.service : fixture.make(fixture.deps(server.baseUrl())); }
    void update() { ASSERT_TRUE(runTask(service().updateModels())); }
    // A list that a failed update must clear.
    void seedModels() { service().setActiveModels({LocalAIModel{.name = QStringLiteral("stale"), .size = 1}}); }

    FakeModelServer server;
    LocalAITestFixture fixture;
};

QDateTime utc(int y, int mo, int d, int h, int mi, int s, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), QTimeZone::utc());
}

} // namespace

TEST_F(ModelServerClientTest, MissingOrEmptyModelListMeansIdle)
{
    for (const QByteArray& body : {QByteArray("{}"), QByteArray("{\"models\":[]}"), QByteArray("{\"models\":null}"),
                                  QByteArray("{\"other\":1}")}) {
        seedModels();
        service().setStatus(OllamaStatus::offline);
        server.answerPs(200, body);
        update();
        EXPECT_EQ(service().status(), OllamaStatus::idle) << body.constData();
        EXPECT_TRUE(service().activeModels().isEmpty()) << body.constData();
    }
}

TEST_F(ModelServerClientTest, ListsModelsInOrderWithDefaultsForMissingDetails)
{
    server.answerPs(200, R"({"models":[
        {"name":"deepseek-coder:6.7b","model":"x","size":4724464640,"digest":"abc",
         "details":{"parameter_size":"6.7B","quantization_level":"Q4_K_M","format":"gguf","family":"llama"},
         "expires_at":"2024-06-04T14:38:31.837530134-07:00","size_vram":1},
        {"name":"bare","size":9007199254740993},
        {"name":"format-only","size":1,"details":{"format":"ggml"},"expires_at":"2024-06-04T21:38:31Z"},
        {"name":"bad-expiry","size":2,"details":{},"expires_at":"tomorrow-ish"}
    ]})");
    QSignalSpy statusSpy(&service(), &LocalAIService::statusChanged);
    update();
    EXPECT_EQ(service().status(), OllamaStatus::active);
    EXPECT_EQ(statusSpy.count(), 1) << "the status is written once, with the answer";

    const QList<LocalAIModel>& models = service().activeModels();
    ASSERT_EQ(models.size(), 4);
    EXPECT_EQ(models[0], (LocalAIModel{QStringLiteral("deepseek-coder:6.7b"), 4724464640, QStringLiteral("6.7B"),
                                       QStringLiteral("Q4_K_M"), QStringLiteral("gguf"),
                                       utc(2024, 6, 4, 21, 38, 31, 837)}));
    EXPECT_EQ(models[1].size, 9007199254740993) << "64-bit sizes survive exactly";
    EXPECT_EQ(models[1].parameterSize, QStringLiteral("Unknown"));
    EXPECT_EQ(models[1].quantization, QStringLiteral("Unknown"));
    EXPECT_EQ(models[1].format, QStringLiteral("gguf"));
    EXPECT_FALSE(models[1].expiresAt);
    EXPECT_EQ(models[2].format, QStringLiteral("ggml"));
    EXPECT_EQ(models[2].parameterSize, QStringLiteral("Unknown"));
    EXPECT_EQ(models[2].expiresAt, utc(2024, 6, 4, 21, 38, 31));
    EXPECT_EQ(models[3].name, QStringLiteral("bad-expiry")) << "an unreadable expiry keeps the model";
    EXPECT_FALSE(models[3].expiresAt);
}

TEST_F(ModelServerClientTest, OneBadElementMakesTheWholeAnswerUnreadable)
{
    const QByteArray good = R"({"name":"ok","size":1})";
    const QList<QByteArray> bodies{
        "{\"models\":[" + good + R"(,{"name":"no-size"}]})",
        "{\"models\":[" + good + R"(,{"size":5}]})",
        "{\"models\":[" + good + R"(,{"name":"s","size":"5"}]})",
        "{\"models\":[" + good + R"(,{"name":"f","size":4.5}]})",
        "{\"models\":[" + good + R"(,{"name":"big","size":1e30}]})",
        "{\"models\":[" + good + R"(,{"name":7,"size":5}]})",
        "{\"models\":[" + good + R"(,{"name":"d","size":5,"details":"q4"}]})",
        "{\"models\":[" + good + R"(,{"name":"p","size":5,"details":{"parameter_size":7}}]})",
        "{\"models\":[" + good + R"(,{"name":"e","size":5,"expires_at":17}]})",
        "{\"models\":[" + good + ",3]}",
        R"({"models":{"name":"ok","size":1}})",
        "[" + good + "]",
        "{\"models\":[" + good + "]} trailing",
        "",
        "not json",
    };
    for (const QByteArray& body : bodies) {
        seedModels();
        service().setStatus(OllamaStatus::active);
        server.answerPs(200, body);
        update();
        EXPECT_EQ(service().status(), OllamaStatus::offline) << body.constData();
        EXPECT_TRUE(service().activeModels().isEmpty()) << body.constData();
    }
}

TEST(InternetDateTimeTest, ReadsZeroToNineFractionDigitsWithZOrAnOffset)
{
    EXPECT_EQ(parseInternetDateTime(u"2024-06-04T21:38:31Z"), utc(2024, 6, 4, 21, 38, 31));
    EXPECT_EQ(parseInternetDateTime(u"2024-06-04T21:38:31.5Z"), utc(2024, 6, 4, 21, 38, 31, 500));
    EXPECT_EQ(parseInternetDateTime(u"2024-06-04T14:38:31.123456789-07:00"), utc(2024, 6, 4, 21, 38, 31, 123));
    EXPECT_EQ(parseInternetDateTime(u"2024-06-05T03:08:31+05:30"), utc(2024, 6, 4, 21, 38, 31));
    EXPECT_EQ(parseInternetDateTime(u"2024-06-04t21:38:31z"), utc(2024, 6, 4, 21, 38, 31));
    EXPECT_EQ(parseInternetDateTime(u"2024-12-31T23:30:00-01:00"), utc(2025, 1, 1, 0, 30, 0)) << "crosses a year";

    for (const char16_t* bad : {u"", u"garbage", u"2024-06-04T21:38:31", u"2024-06-04 21:38:31Z",
                                u"2024-06-04T21:38:31.Z", u"2024-06-04T21:38:31.1234567890Z",
                                u"2024-02-30T21:38:31Z", u"2024-06-04T24:00:00Z", u"2024-06-04T21:38:31+0530",
                                u"2024-06-04T21:38:31+24:00", u"2024-6-04T21:38:31Z", u"2024-06-04T21:38:31Z "})
        EXPECT_FALSE(parseInternetDateTime(bad)) << QString::fromUtf16(bad).toStdString();
}

TEST_F(ModelServerClientTest, ServerFailuresGiveOfflineWithinAboutASecond)
{
    server.answerPs(500, R"({"models":[{"name":"ok","size":1}]})");
    seedModels();
    update();
    EXPECT_EQ(service().status(), OllamaStatus::offline);
    EXPECT_TRUE(service().activeModels().isEmpty());
    EXPECT_EQ(service().modelListRefusal(), QStringLiteral("Model server answer refused: HTTP status 500"));

    FakeModelServer::Answer malformed;
    malformed.raw = "this is not HTTP\r\n\r\n";
    server.setPsAnswer(malformed);
    service().setStatus(OllamaStatus::active);
    update();
    EXPECT_EQ(service().status(), OllamaStatus::offline);

    FakeModelServer::Answer slow;
    slow.body = R"({"models":[{"name":"ok","size":1}]})";
    slow.delay = 300ms;
    server.setPsAnswer(slow);
    update();
    EXPECT_EQ(service().status(), OllamaStatus::active) << "a slow answer inside the time-out counts";

    for (auto late : {FakeModelServer::Answer{200, "{}", 1500ms, false, {}}, FakeModelServer::Answer{200, "{}", 0ms, true, {}}}) {
        service().setStatus(OllamaStatus::active);
        server.setPsAnswer(late);
        QElapsedTimer clock;
        clock.start();
        update();
        EXPECT_EQ(service().status(), OllamaStatus::offline);
        EXPECT_EQ(service().modelListRefusal(), QStringLiteral("Model server answer refused: timed out"));
        EXPECT_GE(clock.elapsed(), 900);
        EXPECT_LT(clock.elapsed(), 4000); // four times the time-out: the status tells it from the late answer
    }

    server.stopListening();
    service().setStatus(OllamaStatus::active);
    QElapsedTimer clock;
    clock.start();
    update();
    EXPECT_EQ(service().status(), OllamaStatus::offline);
    EXPECT_LT(clock.elapsed(), 1200);
}

// Each refused answer names its cause on the views' line, printed when the cause starts (not every tick),
// and the first answer read again is printed once; a server that is simply gone shows no cause.
TEST_F(ModelServerClientTest, ARefusalNamesItsCauseAndIsPrintedOnceUntilAnAnswerIsReadAgain)
{
    const QString refused = QStringLiteral("Model server answer refused: ");
    const std::pair<QByteArray, QString> answers[] = {
        {"HTTP/1.1 204 No Content\r\n\r\n", "HTTP status 204"},
        {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\n{}", "malformed answer"},
        {"HTTP/1.1 200 OK\r\nContent-Length: -2\r\n\r\n{}", "malformed answer"},
        {"HTTP/1.1 200 OK\r\nX-Pad: " + QByteArray(1024 * 1024, 'p') + "\r\n\r\n", "headers over 64 KiB"},
        {"HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n2\n{}\n0\n\n", {}},
    };
    PrintCapture printed;
    for (const auto& [raw, cause] : answers) {
        server.setPsAnswer({.raw = raw});
        for (int tick = 0; tick < 2; ++tick) {
            update();
            EXPECT_EQ(service().modelListRefusal(), cause.isEmpty() ? cause : refused + cause) << raw.left(40).data();
            EXPECT_EQ(service().status(), cause.isEmpty() ? OllamaStatus::idle : OllamaStatus::offline);
        }
    }
    server.stopListening();
    update();
    EXPECT_EQ(service().modelListRefusal(), QString());
    EXPECT_EQ(printed.lines(), (QStringList{refused + "HTTP status 204", refused + "malformed answer",
                                            refused + "headers over 64 KiB", "Model server answer read again"}));
}

TEST_F(ModelServerClientTest, TheLoopbackHostNameReachesAnIPv4OnlyServer)
{
    fixture.make(fixture.deps(QUrl(QStringLiteral("http://localhost:%1").arg(server.port()))));
    server.answerPs(200, R"({"models":[{"name":"ok","size":1}]})");
    update();
    EXPECT_EQ(service().status(), OllamaStatus::active);
}

TEST_F(ModelServerClientTest, EjectPostsTheExactBodyThenRefreshes)
{
    server.answerPs(200, R"({"models":[{"name":"deepseek-coder:6.7b","size":1}]})");
    PrintCapture printed;
    ASSERT_TRUE(runTask(service().ejectModel(QStringLiteral("llama3:8b"))));
    ASSERT_EQ(server.generateBodies(), QList<QByteArray>{R"({"model":"llama3:8b","keep_alive":0})"});
    EXPECT_EQ(server.requests().first().headers.value("content-type"), QByteArray("application/json"));
    EXPECT_EQ(server.psRequestCount(), 1);
    EXPECT_EQ(service().activeModels().size(), 1);
    EXPECT_TRUE(printed.lines().isEmpty());

    // Names are JSON-escaped, never spliced in raw.
    const QString hostile = QStringLiteral("a\"b\\c\n\u00e9");
    ASSERT_TRUE(runTask(service().ejectModel(hostile)));
    const QJsonObject sent = QJsonDocument::fromJson(server.generateBodies().last()).object();
    EXPECT_EQ(sent.value(QStringLiteral("model")).toString(), hostile);
    EXPECT_EQ(sent.size(), 2);

    // A 404 is an answer: the list is still refreshed.
    server.setGenerateAnswer({404, R"({"error":"model not found"})", 0ms, false, {}});
    ASSERT_TRUE(runTask(service().ejectModel(QStringLiteral("gone"))));
    EXPECT_EQ(server.psRequestCount(), 3);
    EXPECT_TRUE(printed.lines().isEmpty());
}

TEST_F(ModelServerClientTest, AFailedEjectPrintsAndLeavesTheListAlone)
{
    seedModels();
    server.stopListening();
    PrintCapture printed;
    ASSERT_TRUE(runTask(service().ejectModel(QStringLiteral("stale"))));
    ASSERT_EQ(printed.lines().size(), 1);
    EXPECT_TRUE(printed.lines().first().startsWith(QStringLiteral("Failed to eject model: ")));
    EXPECT_GT(printed.lines().first().size(), 23);
    EXPECT_EQ(service().activeModels().size(), 1) << "no refresh after a failed post";
}

TEST_F(ModelServerClientTest, DemoModelsExpireThroughTheClockAndComeBack)
{
    service().setDemoMode(true);
    update();
    ASSERT_EQ(service().activeModels().size(), 2);
    EXPECT_EQ(service().status(), OllamaStatus::active);
    const QDateTime start = fixture.clock.now();
    EXPECT_EQ(service().activeModels()[0].name, QStringLiteral("deepseek-coder:6.7b"));
    EXPECT_EQ(service().activeModels()[0].size, 4724464640);
    EXPECT_EQ(service().activeModels()[0].expiresAt, start.addSecs(240));
    EXPECT_EQ(service().activeModels()[1].name, QStringLiteral("llama3:8b"));
    EXPECT_EQ(service().activeModels()[1].quantization, QStringLiteral("Q4_0"));
    EXPECT_EQ(service().activeModels()[1].expiresAt, start.addSecs(120));

    fixture.clock.advance(119'999);
    update();
    EXPECT_EQ(service().activeModels().size(), 2);
    fixture.clock.advance(1);
    update();
    ASSERT_EQ(service().activeModels().size(), 1) << "gone exactly at its expiry";
    EXPECT_EQ(service().activeModels()[0].name, QStringLiteral("deepseek-coder:6.7b"));
    EXPECT_EQ(service().status(), OllamaStatus::active);

    fixture.clock.advance(120'000);
    update();
    EXPECT_TRUE(service().activeModels().isEmpty());
    EXPECT_EQ(service().status(), OllamaStatus::idle);
    update();
    ASSERT_EQ(service().activeModels().size(), 2);
    EXPECT_EQ(service().activeModels()[1].expiresAt, fixture.clock.now().addSecs(120)) << "fresh expiry";
    EXPECT_EQ(service().status(), OllamaStatus::active);
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(ModelServerClientTest, DemoEjectOnlyEditsTheList)
{
    service().setDemoMode(true);
    update();
    ASSERT_TRUE(runTask(service().ejectModel(QStringLiteral("llama3:8b"))));
    ASSERT_EQ(service().activeModels().size(), 1);
    EXPECT_EQ(service().status(), OllamaStatus::active);
    ASSERT_TRUE(runTask(service().ejectModel(QStringLiteral("deepseek-coder:6.7b"))));
    EXPECT_TRUE(service().activeModels().isEmpty());
    EXPECT_EQ(service().status(), OllamaStatus::idle);
    update();
    EXPECT_EQ(service().activeModels().size(), 2);
    EXPECT_TRUE(server.requests().isEmpty()) << "demo mode sends nothing";
}

TEST_F(ModelServerClientTest, HostileAnswersAreBoundedAndNegativeSizesReadAsZero)
{
    const QByteArray padded = "{\"models\":[]}" + QByteArray(4 * 1024 * 1024, ' ');
    const QByteArray headers = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n";
    FakeModelServer::Answer announced; // a 50 MB length, cut off after 5 MB
    announced.raw = headers + "Content-Length: 52428800\r\n\r\n" + QByteArray(5 * 1024 * 1024, ' ');
    FakeModelServer::Answer unannounced; // no length: read until the server closes
    unannounced.raw = headers + "Connection: close\r\n\r\n{\"models\":[]}" + QByteArray(5 * 1024 * 1024, ' ');
    const struct {
        const char* what;
        FakeModelServer::Answer answer;
        bool offline;
    } cases[] = {
        {"a body over 4 MiB", {200, padded}, true},
        {"a length over 4 MiB", announced, true},
        {"a stream over 4 MiB", unannounced, true},
        {"a name of 1,025 characters", {200, "{\"models\":[{\"name\":\"" + QByteArray(1025, 'n') + "\",\"size\":1}]}"},
         true},
        {"a name of 1,024 characters", {200, "{\"models\":[{\"name\":\"" + QByteArray(1024, 'n') + "\",\"size\":1}]}"},
         false},
    };
    for (const auto& c : cases) {
        seedModels();
        service().setStatus(OllamaStatus::active);
        server.setPsAnswer(c.answer);
        // The fake server writes from this thread, so pauses here are timed
        // by AHugeAnswerIsOfflineWithoutStallingOrGrowing, whose server has
        // a thread of its own.
        update();
        EXPECT_EQ(service().status() == OllamaStatus::offline, c.offline) << c.what;
    }

    server.answerPs(200, R"({"models":[{"name":"odd","size":-5}]})");
    update();
    ASSERT_EQ(service().activeModels().size(), 1);
    EXPECT_EQ(service().activeModels()[0].size, 0);
    EXPECT_EQ(service().status(), OllamaStatus::active);
}

// 50 MB of models, streamed from another thread so that the test itself
// holds none of it.
TEST_F(ModelServerClientTest, AHugeAnswerIsOfflineWithoutStallingOrGrowing)
{
    constexpr qint64 total = 50'000'000;
    LoopbackUpstream huge([](int fd) {
        if (LoopbackUpstream::readSome(fd).isEmpty())
            return;
        const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: "
                                + QByteArray::number(total) + "\r\n\r\n{\"models\":[";
        LoopbackUpstream::writeAll(fd, head.constData(), head.size());
        QByteArray block;
        while (block.size() < 65536)
            block += R"({"name":"m","size":1},)";
        for (qint64 sent = 11; sent < total; sent += block.size())
            if (!LoopbackUpstream::writeAll(fd, block.constData(), block.size()))
                return;
    });
    fixture.make(fixture.deps(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(huge.port()))));
    seedModels();
    service().setStatus(OllamaStatus::active);

    const qint64 before = residentBytes();
    update();
    EXPECT_EQ(service().status(), OllamaStatus::offline);
    EXPECT_LT(residentBytes() - before, 20 * 1024 * 1024);

    // This thread is never busy for half the time that decoding the largest list the cap lets through takes it.
    const QByteArray largest = FakeModelServer::modelList(40'000);
    const qint64 decoding = leastThreadCpuMicroseconds([&] { EXPECT_TRUE(decodeModelList(largest)); });
    const qint64 stretch = leastBusyStretch([&] {
        seedModels();
        service().setStatus(OllamaStatus::active);
        update();
    });
    EXPECT_LT(stretch, decoding / 2) << "decoding took " << decoding << " µs";
}

// An endless chunked answer as fast as loopback allows, this thread busy 300 ms into each: every tick
// refuses it at the cap with its reason, only the socket buffers fill meanwhile, and memory stays near idle.
TEST_F(ModelServerClientTest, AnEndlessFastAnswerIsRefusedEveryTickWithMemoryBounded)
{
    std::atomic<bool> started{false}, busy{false};
    std::atomic<qint64> sent{0};
    LoopbackUpstream endless([&](int fd) {
        if (LoopbackUpstream::readSome(fd).isEmpty())
            return;
        const QByteArray head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
        const QByteArray chunk = "10000\r\n" + QByteArray(0x10000, ' ') + "\r\n";
        LoopbackUpstream::writeAll(fd, head.constData(), head.size());
        started = true;
        for (int i = 0; i < 5000 && !busy; ++i) // the body once this thread is busy
            std::this_thread::sleep_for(1ms);
        while (LoopbackUpstream::writeAll(fd, chunk.constData(), chunk.size()))
            sent += chunk.size();
    });
    LocalAIService::Deps deps = fixture.deps(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(endless.port())));
    deps.modelListTimeout = 60s; // the cap refuses it, however slowly this build reads
    fixture.make(std::move(deps));
    const qint64 before = residentBytes();
    qint64 peak = before;
    qint64 sentWhileBusy = 0;
    QTimer sampler;
    sampler.setInterval(1);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (started && !busy) {
            busy = true;
            std::this_thread::sleep_for(300ms);
            sentWhileBusy = std::max(sentWhileBusy, sent.load());
        }
        peak = std::max(peak, residentBytes());
    });
    sampler.start();
    for (int tick = 0; tick < 4; ++tick) {
        seedModels();
        started = busy = false;
        sent = 0;
        update();
        EXPECT_EQ(service().status(), OllamaStatus::offline);
        EXPECT_EQ(service().modelListRefusal(), QStringLiteral("Model server answer refused: over 4 MiB"));
    }
    EXPECT_GT(sentWhileBusy, 0);
    EXPECT_LT(sentWhileBusy, 32 * 1024 * 1024);
    EXPECT_LT(peak - before, 24 * 1024 * 1024 + kSanitizerHeldFreedBytes);
}
