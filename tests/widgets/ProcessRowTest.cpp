#include "ExplainerDouble.h"

#include "core/SettingsStore.h"
#include "widgets/Badge.h"
#include "widgets/ElidedLabel.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"
#include "widgets/PopoverBubble.h"
#include "widgets/ProcessRow.h"
#include "widgets/SymbolButton.h"

#include "support/TaskRunner.h"

#include <QCoreApplication>
#include <QImage>
#include <QLayout>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class ProcessRowTest : public ::testing::Test {
protected:
    std::unique_ptr<ProcessRow> makeRow(bool suspended, std::function<void()> action, QIcon image = QIcon())
    {
        auto row = std::make_unique<ProcessRow>("cpu.fill", image, "ollama", "42.0%", SystemColor::blue, suspended,
                                                std::move(action), nullptr,
                                                ProcessRow::Services{&settings, answers.explainer()});
        row->resize(320, row->sizeHint().height());
        row->show();
        return row;
    }

    template <typename T>
    static T* part(ProcessRow& row, const char* name)
    {
        return row.findChild<T*>(QLatin1String(name));
    }

    static bool answered(const ProcessRow& row) { return !row.isLoadingAI(); }

    QTemporaryDir dir;
    SettingsStore settings{dir.filePath("settings.ini")};
    ExplainerDouble answers;
};

TEST_F(ProcessRowTest, RunningRowShowsValueAndFreezeButton)
{
    int calls = 0;
    auto row = makeRow(false, [&] { ++calls; });
    auto* freeze = part<SymbolButton>(*row, "freezeButton");
    auto* value = part<PlainLabel>(*row, "value");
    EXPECT_FALSE(freeze->isHidden());
    EXPECT_EQ(freeze->symbol(), "snowflake");
    EXPECT_EQ(freeze->tint(), UiColor(SystemColor::cyan));
    EXPECT_EQ(freeze->toolTip(), "Freeze Process to save battery");
    EXPECT_EQ(value->text(), "42.0%");
    EXPECT_EQ(value->textColor(), UiColor(SystemColor::primary));
    EXPECT_EQ(part<ElidedLabel>(*row, "name")->textColor(), UiColor(SystemColor::primary));
    EXPECT_EQ(part<SymbolButton>(*row, "insightButton")->toolTip(), "Ask AI what this process does");

    QTest::mouseClick(freeze, Qt::LeftButton);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(row->showAIExplanation()); // the freeze click does nothing else
    EXPECT_TRUE(answers.asked.isEmpty());
}

TEST_F(ProcessRowTest, SuspendedRowShowsFrozenAndResume)
{
    auto row = makeRow(true, [] {});
    auto* freeze = part<SymbolButton>(*row, "freezeButton");
    auto* value = part<PlainLabel>(*row, "value");
    EXPECT_EQ(value->text(), "FROZEN");
    EXPECT_EQ(value->textColor(), UiColor(SystemColor::cyan));
    EXPECT_EQ(part<ElidedLabel>(*row, "name")->textColor(), UiColor(SystemColor::blue));
    EXPECT_EQ(freeze->symbol(), "play.fill");
    EXPECT_EQ(freeze->tint(), UiColor(SystemColor::green));
    EXPECT_EQ(freeze->toolTip(), "Resume Process");

    // A refresh that resumes it brings the figure back.
    row->setInputs("cpu.fill", QIcon(), "ollama", "3.5%", SystemColor::blue, false, [] {});
    EXPECT_EQ(value->text(), "3.5%");
    EXPECT_EQ(freeze->symbol(), "snowflake");
}

TEST_F(ProcessRowTest, NoActionMeansNoFreezeButtonWhateverTheState)
{
    for (bool suspended : {false, true}) {
        auto row = makeRow(suspended, nullptr);
        EXPECT_TRUE(part<SymbolButton>(*row, "freezeButton")->isHidden());
    }
}

TEST_F(ProcessRowTest, FreezeActionMayReplaceItselfWhileRunning)
{
    std::unique_ptr<ProcessRow> row;
    int calls = 0;
    row = makeRow(false, [&] {
        ++calls;
        // The action refreshes the list, which hands the row a new action.
        row->setInputs("cpu.fill", QIcon(), "ollama", "0.0%", SystemColor::blue, true, [] {});
        ++calls;
    });
    QTest::mouseClick(part<SymbolButton>(*row, "freezeButton"), Qt::LeftButton);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(part<PlainLabel>(*row, "value")->text(), "FROZEN");
}

TEST_F(ProcessRowTest, AdvancedModeShowsThePriorityBadgeOnEveryRowAtOnce)
{
    auto first = makeRow(false, [] {});
    auto second = makeRow(true, nullptr);
    for (ProcessRow* row : {first.get(), second.get()})
        EXPECT_TRUE(part<Badge>(*row, "priorityBadge")->isHidden());

    settings.setAdvancedMode(true);
    for (ProcessRow* row : {first.get(), second.get()}) {
        auto* badge = part<Badge>(*row, "priorityBadge");
        EXPECT_FALSE(badge->isHidden());
        EXPECT_EQ(badge->text(), "P0");
        EXPECT_EQ(badge->toolTip(), "Process Niceness / Priority");
        EXPECT_TRUE(row->advancedMode());
    }
    // A row built while the setting is on starts with its badge.
    EXPECT_FALSE(part<Badge>(*makeRow(false, nullptr), "priorityBadge")->isHidden());
    settings.setAdvancedMode(false);
    EXPECT_TRUE(part<Badge>(*first, "priorityBadge")->isHidden());
}

TEST_F(ProcessRowTest, ImageReplacesTheSymbolAndIgnoresTheColour)
{
    QPixmap red(16, 16);
    red.fill(QColor(255, 0, 0));
    auto row = std::make_unique<ProcessRow>("cpu.fill", QIcon(red), "Editor", "1.0%", QColor(0, 255, 0), false,
                                            nullptr, nullptr, ProcessRow::Services{&settings, {}});
    row->resize(300, 24);
    QWidget* icon = part<QWidget>(*row, "icon");
    QImage image(icon->size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    icon->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    int redPixels = 0, greenPixels = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            redPixels += qRed(p) > 200 && qGreen(p) < 50;
            greenPixels += qGreen(p) > 200 && qRed(p) < 50;
        }
    EXPECT_EQ(redPixels, 16 * 16);
    EXPECT_EQ(greenPixels, 0);
}

TEST_F(ProcessRowTest, FirstOpeningAsksAndShowsTheAnswer)
{
    auto row = makeRow(false, nullptr);
    QTest::mouseClick(part<SymbolButton>(*row, "insightButton"), Qt::LeftButton);
    EXPECT_TRUE(row->showAIExplanation());
    EXPECT_TRUE(row->isLoadingAI());
    EXPECT_EQ(answers.asked, QStringList({"ollama"}));
    ASSERT_TRUE(row->insightPopover());
    EXPECT_TRUE(row->insightPopover()->isVisible());
    EXPECT_EQ(row->insightPopover()->anchor(), part<SymbolButton>(*row, "insightButton"));

    answers.answer(0, "<b>Ollama</b> serves local models.");
    ASSERT_TRUE(waitUntil([&] { return answered(*row); }));
    EXPECT_EQ(row->aiExplanation(), "<b>Ollama</b> serves local models.");
    auto* text = row->insightPopover()->findChild<PlainLabel*>("insightText");
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->isVisible());
    EXPECT_EQ(text->textFormat(), Qt::PlainText);
    EXPECT_EQ(text->text(), "<b>Ollama</b> serves local models.");
}

TEST_F(ProcessRowTest, KeptAnswerIsShownWithoutAskingAgain)
{
    auto row = makeRow(false, nullptr);
    row->toggleInsight();
    answers.answer(0, "A model server.");
    ASSERT_TRUE(waitUntil([&] { return answered(*row); }));
    row->toggleInsight();
    EXPECT_FALSE(row->showAIExplanation());
    EXPECT_FALSE(row->insightPopover()->isVisible());

    row->toggleInsight();
    EXPECT_TRUE(row->showAIExplanation());
    EXPECT_FALSE(row->isLoadingAI());
    EXPECT_EQ(answers.asked.size(), 1);
    EXPECT_TRUE(row->insightPopover()->isVisible());
}

TEST_F(ProcessRowTest, ClickOutsideClosesThePopover)
{
    auto row = makeRow(false, nullptr);
    row->toggleInsight();
    row->insightPopover()->close(); // what a click outside a popup does
    EXPECT_FALSE(row->showAIExplanation());
    // The next click opens it again (and asks again, no answer is kept yet).
    row->toggleInsight();
    EXPECT_TRUE(row->showAIExplanation());
    EXPECT_EQ(answers.asked.size(), 2);
}

TEST_F(ProcessRowTest, ReopeningBeforeTheAnswerAsksAgainAndEachAnswerReplaces)
{
    auto row = makeRow(false, nullptr);
    row->toggleInsight();
    row->toggleInsight();
    row->toggleInsight();
    EXPECT_EQ(answers.asked, QStringList({"ollama", "ollama"}));

    answers.answer(0, "first");
    ASSERT_TRUE(waitUntil([&] { return row->aiExplanation().has_value(); }));
    EXPECT_EQ(row->aiExplanation(), "first");
    EXPECT_FALSE(row->isLoadingAI());

    answers.answer(1, "second");
    ASSERT_TRUE(waitUntil([&] { return row->aiExplanation() == QStringLiteral("second"); }));
    EXPECT_FALSE(row->isLoadingAI());
}

TEST_F(ProcessRowTest, AnswerStoredEvenWhenThePopoverWasClosed)
{
    auto row = makeRow(false, nullptr);
    row->toggleInsight();
    row->toggleInsight();
    answers.answer(0, "kept");
    ASSERT_TRUE(waitUntil([&] { return answered(*row); }));
    EXPECT_EQ(row->aiExplanation(), "kept");
    EXPECT_FALSE(row->insightPopover()->isVisible());
}

TEST_F(ProcessRowTest, AnswerAfterTheRowIsGoneTouchesNothing)
{
    auto row = makeRow(false, nullptr);
    row->toggleInsight();
    QPointer<PopoverBubble> popover = row->insightPopover();
    row.reset();
    EXPECT_TRUE(popover.isNull());
    answers.answer(0, "too late");
    // Let the answer arrive and the finished request resume.
    QTest::qWait(50);
    SUCCEED();
}

TEST_F(ProcessRowTest, WithoutACoPilotThePopoverShowsOnlyItsHeader)
{
    ProcessRow row("cpu.fill", QIcon(), "ollama", "1%", SystemColor::blue, false, nullptr, nullptr,
                   ProcessRow::Services{&settings, {}});
    const auto previous = ProcessRow::defaultExplainer();
    ProcessRow::setDefaultExplainer({});
    row.show();
    row.toggleInsight();
    ProcessRow::setDefaultExplainer(previous);
    EXPECT_TRUE(row.showAIExplanation());
    EXPECT_FALSE(row.isLoadingAI());
    EXPECT_FALSE(row.insightPopover()->findChild<PlainLabel*>("insightText")->isVisible());
}

TEST_F(ProcessRowTest, DefaultExplainerIsUsedWhenTheRowHasNone)
{
    const auto previous = ProcessRow::defaultExplainer();
    ProcessRow::setDefaultExplainer(answers.explainer());
    ProcessRow row("cpu.fill", QIcon(), "dockerd", "1%", SystemColor::blue, false, nullptr, nullptr,
                   ProcessRow::Services{&settings, {}});
    row.toggleInsight();
    ProcessRow::setDefaultExplainer(previous);
    EXPECT_EQ(answers.asked, QStringList({"dockerd"}));
    answers.answer(0, "The container engine.");
    EXPECT_TRUE(waitUntil([&] { return row.aiExplanation() == QStringLiteral("The container engine."); }));
}

} // namespace

namespace {

ProcessInfoData listed(qint32 pid, quint64 startTime)
{
    ProcessInfoData p;
    p.id = pid;
    p.name = QStringLiteral("tool%1").arg(pid);
    p.fullPath = QStringLiteral("/usr/bin/") + p.name;
    p.startTime = startTime;
    return p;
}

} // namespace

// An open bubble points at its process's row wherever the list moves it,
// and belongs to that process: a reused pid or an exit closes it.
TEST_F(ProcessRowTest, AnOpenBubbleFollowsItsProcessThroughReordersAndEndsWithIt)
{
    KeyedRowList list;
    list.resize(320, 200);
    list.show();
    const auto show = [&](const QList<ProcessInfoData>& processes) {
        ProcessRow::showProcesses(&list, processes, {QStringLiteral("cpu.fill"), SystemColor::blue}, nullptr,
                                  ProcessRow::Services{&settings, answers.explainer()});
        list.layout()->activate();
    };
    show({listed(10, 1), listed(11, 1), listed(12, 1)});
    auto* row = static_cast<ProcessRow*>(list.row("11"));
    row->toggleInsight();
    answers.answer(0, "A tool.");
    ASSERT_TRUE(waitUntil([&] { return answered(*row); }));
    PopoverBubble* bubble = row->insightPopover();

    int lastY = row->y();
    for (const QList<qint32>& order : {QList<qint32>{11, 12, 10}, QList<qint32>{12, 10, 11}}) {
        QList<ProcessInfoData> processes;
        for (const qint32 pid : order)
            processes << listed(pid, 1);
        show(processes);
        ASSERT_EQ(list.row("11"), row);
        EXPECT_NE(row->y(), lastY);
        lastY = row->y();
        EXPECT_TRUE(bubble->isVisible());
        const QPoint placed = bubble->pos();
        bubble->reposition(); // where a bubble for the row as it now stands goes
        EXPECT_EQ(bubble->pos(), placed);
    }

    show({listed(10, 1), listed(11, 2)}); // pid 11 now names another process
    ASSERT_EQ(list.row("11"), row);
    EXPECT_FALSE(row->showAIExplanation());
    EXPECT_FALSE(bubble->isVisible());
    EXPECT_FALSE(row->aiExplanation().has_value());

    row->toggleInsight();
    QPointer<PopoverBubble> reopened = row->insightPopover();
    show({listed(10, 1)});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(reopened.isNull());
}
