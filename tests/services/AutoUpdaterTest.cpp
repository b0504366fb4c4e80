#include "services/AutoUpdater.h"

#include "fakes/ScriptedHttpServer.h"
#include "support/PrintCapture.h"
#include "support/TaskRunner.h"

#include <QElapsedTimer>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QByteArray json(int status, const QByteArray& body)
{
    return "HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Type: application/json\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

QByteArray answer(const QByteArray& version, const QByteArray& extra = {})
{
    return json(200, "{\"version\":\"" + version + "\",\"download_url\":\"https://example.org/k.tar.gz\"" + extra + "}");
}

class AutoUpdaterTest : public ::testing::Test {
protected:
    AutoUpdater& updater(const QString& running = QStringLiteral("1.9.2"), std::chrono::milliseconds timeout = 6s)
    {
        QUrl host = server.url();
        host.setPath(QString());
        m_updater = std::make_unique<AutoUpdater>(AutoUpdater::Deps{host, running, timeout});
        return *m_updater;
    }
    bool check() { return runTask(m_updater->checkForUpdates()); }

    ScriptedHttpServer server;
    PrintCapture printed;
    std::unique_ptr<AutoUpdater> m_updater;
};

} // namespace

TEST_F(AutoUpdaterTest, StartsIdleAndAsksNothingUntilCalled)
{
    AutoUpdater& u = updater();
    EXPECT_FALSE(u.isChecking());
    EXPECT_FALSE(u.hasChecked());
    EXPECT_FALSE(u.updateAvailable());
    EXPECT_FALSE(u.latestVersion() || u.downloadURL() || u.releaseNotes() || u.errorMessage());
    QCoreApplication::processEvents();
    EXPECT_EQ(server.requests, 0);
    EXPECT_EQ(AutoUpdater::Deps{}.timeout, 6s);
    EXPECT_EQ(AutoUpdater::defaultHost().scheme(), QStringLiteral("https"));
}

TEST_F(AutoUpdaterTest, NewerVersionIsReportedWithItsAddressAndNotes)
{
    server.response = answer("1.10.0", ",\"release_notes\":\"Faster & <b>safer</b>\",\"extra\":1");
    AutoUpdater& u = updater("1.9.2");
    ASSERT_TRUE(check());
    EXPECT_TRUE(server.lastRequest.startsWith("GET /api/kestrova-version HTTP/1.1\r\n")) << server.lastRequest.constData();
    EXPECT_TRUE(u.updateAvailable());
    EXPECT_TRUE(u.hasChecked());
    EXPECT_FALSE(u.isChecking());
    EXPECT_EQ(u.latestVersion(), QStringLiteral("1.10.0"));
    EXPECT_EQ(u.downloadURL(), QUrl(QStringLiteral("https://example.org/k.tar.gz")));
    EXPECT_EQ(u.releaseNotes(), QStringLiteral("Faster & <b>safer</b>"));
    EXPECT_FALSE(u.errorMessage());
    EXPECT_TRUE(printed.lines().isEmpty());
}

TEST_F(AutoUpdaterTest, EqualOrOlderVersionIsNoUpdateButKeepsAnEarlierFind)
{
    server.response = answer("2.0.0", ",\"release_notes\":\"notes\"");
    AutoUpdater& u = updater("1.9.2");
    ASSERT_TRUE(check());
    ASSERT_TRUE(u.updateAvailable());

    server.response = answer("1.9.2");
    QSignalSpy latest(&u, &AutoUpdater::latestVersionChanged);
    ASSERT_TRUE(check());
    EXPECT_FALSE(u.updateAvailable());
    EXPECT_TRUE(u.hasChecked());
    EXPECT_FALSE(u.errorMessage());
    EXPECT_EQ(u.latestVersion(), QStringLiteral("2.0.0"));
    EXPECT_EQ(u.releaseNotes(), QStringLiteral("notes"));
    EXPECT_EQ(u.downloadURL(), QUrl(QStringLiteral("https://example.org/k.tar.gz")));
    EXPECT_EQ(latest.count(), 0);

    server.response = answer("1.0.9");
    ASSERT_TRUE(check());
    EXPECT_FALSE(u.updateAvailable());
}

TEST_F(AutoUpdaterTest, MissingRunningVersionComparesAgainstOneZeroZero)
{
    server.response = answer("1.0.0");
    AutoUpdater& u = updater(QString());
    EXPECT_EQ(u.runningVersion(), QStringLiteral("1.0.0"));
    ASSERT_TRUE(check());
    EXPECT_FALSE(u.updateAvailable());

    server.response = answer("1.0.1");
    ASSERT_TRUE(check());
    EXPECT_TRUE(u.updateAvailable());
}

TEST_F(AutoUpdaterTest, NotesThatAreAbsentOrNotTextGiveNone)
{
    AutoUpdater& u = updater("1.0.0");
    for (const QByteArray& extra : {QByteArray(), QByteArray(",\"release_notes\":42"), QByteArray(",\"release_notes\":null")}) {
        server.response = answer("3.0.0", extra);
        ASSERT_TRUE(check());
        EXPECT_TRUE(u.updateAvailable());
        EXPECT_FALSE(u.releaseNotes()) << extra.constData();
    }
}

TEST_F(AutoUpdaterTest, UnusableAnswersFailToParseAndChangeNothingElse)
{
    AutoUpdater& u = updater("1.0.0");
    const QList<QByteArray> bodies = {
        "{\"version\":\"9.0.0\",\"download_url\":5}",
        "{\"version\":\"9.0.0\",\"download_url\":\"\"}",
        "{\"version\":\"9.0.0\",\"download_url\":\"http://exa mple.org/x\"}",
        "{\"version\":\"9.0.0\",\"download_url\":\"relative/path\"}",
        "{\"version\":\"9.0.0\",\"download_url\":\"file:///etc/passwd\"}",
        "{\"version\":\"9.0.0\",\"download_url\":\"javascript:alert(1)\"}",
        "{\"download_url\":\"https://example.org/x\"}",
        "{\"version\":9,\"download_url\":\"https://example.org/x\"}",
        "[\"9.0.0\"]",
        "not json",
        "",
    };
    for (const QByteArray& body : bodies) {
        server.response = json(200, body);
        ASSERT_TRUE(check());
        EXPECT_EQ(u.errorMessage(), QStringLiteral("Failed to parse update information")) << body.constData();
        EXPECT_FALSE(u.isChecking());
        EXPECT_FALSE(u.hasChecked());
        EXPECT_FALSE(u.updateAvailable());
        EXPECT_FALSE(u.latestVersion());
    }
    EXPECT_TRUE(printed.lines().isEmpty());
}

TEST_F(AutoUpdaterTest, ErrorStatusIsReportedWithItsCode)
{
    server.response = json(500, "{\"version\":\"9.0.0\",\"download_url\":\"https://example.org/x\"}");
    AutoUpdater& u = updater();
    ASSERT_TRUE(check());
    EXPECT_EQ(u.errorMessage(), QStringLiteral("Update server returned code 500"));
    server.response = json(404, "");
    ASSERT_TRUE(check());
    EXPECT_EQ(u.errorMessage(), QStringLiteral("Update server returned code 404"));
    EXPECT_FALSE(u.hasChecked());
    EXPECT_TRUE(printed.lines().isEmpty());

    // The next good check clears the text.
    server.response = answer("1.9.2");
    ASSERT_TRUE(check());
    EXPECT_FALSE(u.errorMessage());
    EXPECT_TRUE(u.hasChecked());
}

TEST_F(AutoUpdaterTest, SilentOrStalledServerTimesOutWithOneLine)
{
    AutoUpdater& u = updater("1.0.0", 300ms);
    server.hang = true;
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(check());
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(u.errorMessage(), QStringLiteral("Update check failed. Please check your internet connection."));
    ASSERT_EQ(printed.lines().size(), 1);
    EXPECT_EQ(printed.lines().first(), QStringLiteral("Auto-update check failed: The request timed out."));
    EXPECT_FALSE(u.isChecking());

    // Headers and half a body, then nothing: the transfer time-out still ends it.
    printed.clear();
    server.hang = false;
    server.keepOpen = true;
    server.response = json(200, "{\"version\":\"9.0.0\",\"download_url\":\"https://example.org/x\"}").chopped(10);
    ASSERT_TRUE(check());
    EXPECT_EQ(u.errorMessage(), QStringLiteral("Update check failed. Please check your internet connection."));
    // The same line as before is counted; the count goes out with the next line.
    kestrova::print(QStringLiteral("next"));
    EXPECT_EQ(printed.lines(), (QStringList{kestrova::repeatedLine(1), QStringLiteral("next")}));
    EXPECT_FALSE(u.updateAvailable());
}

TEST_F(AutoUpdaterTest, RefusedConnectionFailsWithOneLine)
{
    AutoUpdater& u = updater();
    server.close(); // nothing listens on the port any more
    ASSERT_TRUE(check());
    EXPECT_EQ(u.errorMessage(), QStringLiteral("Update check failed. Please check your internet connection."));
    ASSERT_EQ(printed.lines().size(), 1);
    EXPECT_EQ(printed.lines().first(), QStringLiteral("Auto-update check failed: Connection refused"));
}

TEST_F(AutoUpdaterTest, HostThatFormsNoAddressIsRefusedWithoutARequest)
{
    for (const QUrl& host : {QUrl(), QUrl(QStringLiteral("relative")), QUrl(QStringLiteral("https://"))}) {
        AutoUpdater u({host, QStringLiteral("1.0.0"), 6s});
        ASSERT_TRUE(runTask(u.checkForUpdates()));
        EXPECT_EQ(u.errorMessage(), QStringLiteral("Invalid update server URL")) << host.toString().toStdString();
        EXPECT_FALSE(u.isChecking());
    }
    EXPECT_EQ(server.requests, 0);
}

TEST_F(AutoUpdaterTest, OverlappingCallReturnsAtOnce)
{
    AutoUpdater& u = updater("1.0.0", 500ms);
    server.hang = true;
    QSignalSpy checking(&u, &AutoUpdater::isCheckingChanged);
    auto first = u.checkForUpdates();
    ASSERT_TRUE(waitUntil([&] { return server.requests == 1; }));
    EXPECT_TRUE(u.isChecking());
    EXPECT_TRUE(runTask(u.checkForUpdates(), 100ms)); // returns without waiting
    EXPECT_EQ(checking.count(), 1);
    server.hang = false;
    server.response = answer("1.0.0");
    EXPECT_EQ(server.requests, 1);
    ASSERT_TRUE(runTask(std::move(first)));
}

TEST_F(AutoUpdaterTest, OversizedAnswerIsNotParsed)
{
    AutoUpdater& u = updater("1.0.0");
    QByteArray body = "{\"version\":\"9.0.0\",\"download_url\":\"https://example.org/x\",\"pad\":\"";
    body += QByteArray(AutoUpdater::kMaxAnswerBytes, 'x') + "\"}";
    server.response = json(200, body);
    ASSERT_TRUE(check());
    EXPECT_EQ(u.errorMessage(), QStringLiteral("Failed to parse update information"));
    EXPECT_FALSE(u.updateAvailable());
}
