#include "dashboard/assistant/AICoPilotView.h"
#include "dashboard/assistant/CoPilotAlertCard.h"
#include "dashboard/assistant/CoPilotMessageRow.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeCommandRunner.h"
#include "fakes/FakeModelServer.h"
#include "fakes/FakeProcessSignaller.h"
#include "fakes/InertStatsProvider.h"
#include "fakes/ManualScheduler.h"
#include "localai/BuildCacheService.h"
#include "localai/LocalAIService.h"
#include "platform/FileWorker.h"
#include "support/TaskRunner.h"
#include "theme/ThemeManager.h"
#include "widgets/AccentPillButton.h"
#include "widgets/PlainLabel.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

constexpr qint64 kGiB = 1024LL * 1024 * 1024;

// The co-pilot's stand-in: questions starting with "slow" take 2 s, the rest
// 0.5 s, on a scheduler the test moves by hand.
QCoro::Task<QString> handAnswer(ManualScheduler* scheduler, QString query)
{
    co_await scheduler->sleepFor(query.startsWith(QLatin1String("slow")) ? 2000ms : 500ms);
    co_return QStringLiteral("answer to ") + query;
}

class AICoPilotViewTest : public ::testing::Test {
protected:
    AICoPilotViewTest()
    {
        LocalAIService::Deps deps;
        deps.clock = &clock;
        deps.scheduler = &scheduler;
        deps.commands = &commands;
        deps.signaller = &signaller;
        deps.fileWorker = &FileWorker::shared();
        deps.paths.procRoot = home.filePath(QStringLiteral("proc"));
        deps.paths.home = home.path();
        deps.modelServerUrl = server.baseUrl();
        localAI = std::make_unique<LocalAIService>(std::move(deps), false);
        localAI->setDemoMode(false);
        buildCache = std::make_unique<BuildCacheService>(
            BuildCacheService::Deps{.home = home.path(), .demoMode = [this] { return localAI->demoMode(); }});
        ManualScheduler* hand = &scheduler;
        page = std::make_unique<AICoPilotView>(AICoPilotView::Services{
            stats.get(), [hand](QString query, AIService::FiguresSource) { return handAnswer(hand, std::move(query)); },
            localAI.get(), buildCache.get(), &theme});
    }

    void setDerivedData(qint64 bytes)
    {
        const QString folder = home.filePath(QStringLiteral("Library/Developer/Xcode/DerivedData"));
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        QFile file(folder + QStringLiteral("/Build.bin"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(bytes)); // sparse: the size without the blocks
        file.close();
        ASSERT_TRUE(runTask(buildCache->scanCaches()));
        page->refreshNow();
    }

    QStringList shownTitles() const
    {
        QStringList titles;
        for (const CoPilotAlertCard* card : page->shownCards())
            titles << card->content().title;
        return titles;
    }

    // Moves the co-pilot's clock on and lets the resumed answers land.
    void advance(std::chrono::milliseconds by)
    {
        scheduler.advance(by);
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    void send(const QString& text)
    {
        page->inputField()->setText(text);
        page->sendButton()->click();
    }

    QTemporaryDir home;
    SettingsStore settings{home.filePath(QStringLiteral("s.ini"))};
    ThemeManager theme{settings};
    InertStatsProvider stats;
    ManualScheduler scheduler{false};
    FakeClock clock;
    FakeCommandRunner commands;
    FakeProcessSignaller signaller;
    FakeModelServer server;
    std::unique_ptr<LocalAIService> localAI;
    std::unique_ptr<BuildCacheService> buildCache;
    std::unique_ptr<AICoPilotView> page;
};

TEST_F(AICoPilotViewTest, SendsWhatIsTypedAndAnswersInArrivalOrder)
{
    ASSERT_EQ(page->messages().size(), 1);
    EXPECT_EQ(page->messages()[0].role, "ai");
    EXPECT_EQ(page->messages()[0].text.toUtf8().size(), 154);

    // An empty field sends nothing, by button or by Return.
    page->sendButton()->click();
    QTest::keyClick(page->inputField(), Qt::Key_Return);
    EXPECT_EQ(page->messages().size(), 1);
    EXPECT_TRUE(page->typingRow()->isHidden());

    // Spaces are sent as they are; Return sends too.
    send(QStringLiteral("slow   "));
    page->inputField()->setText(QStringLiteral("   "));
    QTest::keyClick(page->inputField(), Qt::Key_Return);
    EXPECT_TRUE(page->inputField()->text().isEmpty());
    EXPECT_TRUE(page->isTyping());
    EXPECT_FALSE(page->typingRow()->isHidden());

    // The quick answer lands first and ends the typing row.
    advance(500ms);
    EXPECT_FALSE(page->isTyping());
    EXPECT_TRUE(page->typingRow()->isHidden());
    advance(1500ms);
    QStringList lines;
    for (const AICoPilotView::Message& m : page->messages().mid(1))
        lines << m.role + ':' + m.text;
    EXPECT_EQ(lines, QStringList({"user:slow   ", "user:   ", "ai:answer to    ", "ai:answer to slow   "}));
    ASSERT_EQ(page->messageRows().size(), 5);
    EXPECT_TRUE(page->messageRows()[1]->isUser());
    EXPECT_FALSE(page->messageRows()[4]->isUser());
}

TEST_F(AICoPilotViewTest, ShowsMarkupAsTyped)
{
    send(QStringLiteral("<b>bold</b> & co"));
    advance(500ms);
    for (CoPilotMessageRow* row : page->messageRows().mid(1)) {
        EXPECT_EQ(row->label()->textFormat(), Qt::PlainText);
        EXPECT_TRUE(row->text().contains(QLatin1String("<b>bold</b> & co")));
    }
}

// A question with no break in it wraps inside its bubble; after each send
// and answer the newest line and the input field are in view, in the chat
// and in the dashboard's scrolling page around it.
TEST_F(AICoPilotViewTest, LongQuestionWrapsAndTheNewestLineAndFieldStayInView)
{
    QScrollArea dashboard;
    dashboard.setWidgetResizable(true);
    dashboard.resize(720, 360);
    AICoPilotView* shown = page.release();
    dashboard.setWidget(shown);
    dashboard.show();
    const auto settle = [] {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    };
    settle();
    const QString unbroken(400, QLatin1Char('W'));
    QScrollBar* chat = shown->messageArea()->verticalScrollBar();
    for (int i = 0; i < 3; ++i) {
        shown->inputField()->setText(unbroken);
        shown->sendButton()->click();
        settle();
        EXPECT_EQ(chat->value(), chat->maximum()) << "after send " << i;
        advance(500ms);
        settle();
        EXPECT_EQ(chat->value(), chat->maximum()) << "after answer " << i;
        const QRect field(shown->inputField()->mapTo(dashboard.viewport(), QPoint(0, 0)), shown->inputField()->size());
        EXPECT_TRUE(dashboard.viewport()->rect().contains(field)) << "after answer " << i;
    }
    EXPECT_GT(dashboard.verticalScrollBar()->value(), 0);

    const PlainLabel* question = shown->messageRows()[1]->label();
    const QFontMetrics metrics(question->font());
    const int lines = metrics.horizontalAdvance(unbroken) / std::max(1, question->contentsRect().width());
    EXPECT_GE(question->height(), lines * metrics.lineSpacing()) << "clipped";

    // The user scrolls back: an answer arriving then leaves the chat where it is.
    chat->triggerAction(QAbstractSlider::SliderToMinimum);
    shown->inputField()->setText(QStringLiteral("slow"));
    shown->sendButton()->click();
    settle();
    chat->triggerAction(QAbstractSlider::SliderToMinimum);
    advance(2000ms);
    settle();
    EXPECT_EQ(chat->value(), 0);
}

TEST_F(AICoPilotViewTest, PageClosedWhileAnAnswerIsPending)
{
    send(QStringLiteral("hello"));
    page.reset();
    advance(500ms); // the answer arrives for nobody
    EXPECT_EQ(scheduler.pendingCount(), 0);
}

TEST_F(AICoPilotViewTest, BuildCacheCardFollowsTheMeasuredSize)
{
    struct Case {
        qint64 bytes;
        bool shown;
    };
    for (const Case& c : {Case{0, true}, Case{512 * 1024 * 1024, false}, Case{kGiB, false}, Case{kGiB * 3 / 2, true}}) {
        SCOPED_TRACE(c.bytes);
        setDerivedData(c.bytes);
        EXPECT_EQ(!page->buildCacheCard()->isHidden(), c.shown);
    }
    EXPECT_TRUE(page->buildCacheCard()->content().description.contains(QLatin1String(" 1.50 GB ")));

    // Pruning empties the folder; an empty cache shows the stand-in figure.
    page->buildCacheCard()->button()->click();
    ASSERT_TRUE(waitUntil([&] { return buildCache->derivedDataSize() == 0; }));
    page->refreshNow();
    EXPECT_TRUE(page->buildCacheCard()->content().description.contains(QLatin1String(" 4.82 GB ")));
    EXPECT_TRUE(QDir(home.filePath(QStringLiteral("Library/Developer/Xcode/DerivedData"))).isEmpty());

    theme.setCurrentTheme(AppTheme::cyberpunk);
    EXPECT_EQ(page->buildCacheCard()->content().buttonColor, AppTheme(AppTheme::cyberpunk).accentColor());
}

TEST_F(AICoPilotViewTest, ContainerCardSuspendsTheVMAndGoesAway)
{
    EXPECT_EQ(shownTitles(), QStringList({"Xcode Build Cache Bloated", "High Telemetry Temperature"}));
    localAI->setActiveVectorDBs({{QStringLiteral("qdrant"), 6333, QStringLiteral("128 MB"), QStringLiteral("ab12"),
                                  QStringLiteral("Running")}});
    page->refreshNow();
    EXPECT_EQ(shownTitles(), QStringList({"Xcode Build Cache Bloated", "Active Container Hypervisors",
                                          "High Telemetry Temperature"}));
    page->containerCard()->button()->click();
    ASSERT_EQ(commands.calls().size(), 1);
    EXPECT_TRUE(commands.calls()[0].program.endsWith(QLatin1String("colima")));
    EXPECT_EQ(commands.calls()[0].arguments, QStringList({"stop"}));
    EXPECT_TRUE(localAI->activeVectorDBs().isEmpty());
    page->refreshNow();
    EXPECT_TRUE(page->containerCard()->isHidden());
}

TEST_F(AICoPilotViewTest, ThermalCardTogglesTurbo)
{
    stats->setSocTemperature(63.9);
    page->refreshNow();
    EXPECT_TRUE(page->thermalCard()->content().description.contains(QStringLiteral(" 63\u00B0C.")));
    page->thermalCard()->button()->click();
    EXPECT_TRUE(stats->forceTurboCooling());
    page->refreshNow();
    EXPECT_EQ(page->thermalCard()->content().buttonTitle, "Deactivate Turbo");
    page->thermalCard()->button()->click();
    EXPECT_FALSE(stats->forceTurboCooling());
}

TEST_F(AICoPilotViewTest, DemoModelCardOnlySetsTheStatus)
{
    localAI->setDemoMode(true);
    page->refreshNow();
    EXPECT_TRUE(page->modelCard()->content().description.contains(QLatin1String("'deepseek-r1:7b'")));
    page->modelCard()->button()->click();
    EXPECT_EQ(localAI->status(), OllamaStatus::idle);
    EXPECT_TRUE(server.requests().isEmpty());
    page->refreshNow();
    EXPECT_FALSE(page->modelCard()->isHidden()) << "demo mode is still on";
}

TEST_F(AICoPilotViewTest, EjectsEveryModelInTurnEvenAfterThePageCloses)
{
    server.answerPs(200, R"({"models":[]})");
    localAI->setActiveModels({{.name = QStringLiteral("llama3:8b")}, {.name = QStringLiteral("qwen2:7b")}});
    page->refreshNow();
    EXPECT_TRUE(page->modelCard()->content().description.contains(QLatin1String("'llama3:8b'")));
    page->modelCard()->button()->click();
    page.reset();
    ASSERT_TRUE(waitUntil([&] { return server.generateBodies().size() == 2; }));
    EXPECT_TRUE(server.generateBodies()[0].contains("\"llama3:8b\""));
    EXPECT_TRUE(server.generateBodies()[1].contains("\"qwen2:7b\""));
}

} // namespace
