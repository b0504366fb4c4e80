#include "ExplainerDouble.h"

#include "core/SettingsStore.h"
#include "fakes/LayoutRequestCounter.h"
#include "support/ThreadCpuTime.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"
#include "widgets/PopoverBubble.h"
#include "widgets/ProcessRow.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct Item {
    QString key;
    QString text;
};

class KeyedRowListTest : public ::testing::Test {
protected:
    void show(const QList<Item>& items, qsizetype unlisted = 0)
    {
        list.setItems<PlainLabel>(
            items, [](const Item& i) { return i.key; },
            [this](const Item& i) {
                ++created;
                return new PlainLabel(i.text);
            },
            [this](PlainLabel* row, const Item& i) {
                ++updated;
                row->setText(i.text);
            },
            unlisted);
    }

    QStringList texts() const
    {
        QStringList result;
        for (QWidget* row : list.rows())
            result << static_cast<PlainLabel*>(row)->text();
        return result;
    }

    KeyedRowList list;
    int created = 0;
    int updated = 0;
};

TEST_F(KeyedRowListTest, ReorderKeepsWidgetsAndOnlyBuildsNewKeys)
{
    list.show();
    show({{"1", "a"}, {"2", "b"}, {"3", "c"}});
    EXPECT_EQ(created, 3);
    QWidget* one = list.row("1");
    QWidget* three = list.row("3");
    QPointer<QWidget> two = list.row("2");

    show({{"3", "C"}, {"4", "d"}, {"1", "A"}});
    EXPECT_EQ(created, 4);
    EXPECT_EQ(updated, 2);
    EXPECT_EQ(list.row("1"), one);
    EXPECT_EQ(list.row("3"), three);
    EXPECT_EQ(list.keys(), QStringList({"3", "4", "1"}));
    EXPECT_EQ(texts(), QStringList({"C", "d", "A"}));
    EXPECT_TRUE(list.row("4")->isVisible());
    // Laid out in the new order, top to bottom.
    list.adjustSize();
    EXPECT_LT(list.row("3")->y(), list.row("4")->y());
    EXPECT_LT(list.row("4")->y(), list.row("1")->y());

    // The row that left is gone once the event loop has turned.
    EXPECT_EQ(list.row("2"), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(two.isNull());
}

TEST_F(KeyedRowListTest, RepeatedKeysAreSeparateRows)
{
    show({{"7", "x"}, {"7", "y"}, {"8", "z"}});
    EXPECT_EQ(list.count(), 3);
    EXPECT_EQ(texts(), QStringList({"x", "y", "z"}));
    EXPECT_EQ(list.keys(), QStringList({"7", "7", "8"}));
    show({{"7", "only"}});
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(texts(), QStringList({"only"}));
}

TEST_F(KeyedRowListTest, EmptyListRemovesEveryRow)
{
    show({{"1", "a"}, {"2", "b"}});
    show({});
    EXPECT_EQ(list.count(), 0);
    EXPECT_TRUE(list.rows().isEmpty());
}

// At most the limit of rows, then one line for the rest; the same items again lay nothing out.
TEST_F(KeyedRowListTest, ShowsAtMostTheLimitThenOneLineForTheRest)
{
    QWidget window;
    (new QVBoxLayout(&window))->addWidget(&list);
    window.show();
    list.setRowLimit(2);
    const struct {
        QList<Item> items;
        qsizetype unlisted;
        QStringList keys;
        QString more; // empty: no such line
    } steps[] = {
        {{{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", "d"}}, 0, {"1", "2"}, "and 2 more"},
        {{{"2", "b"}, {"1", "a"}}, 0, {"2", "1"}, {}},
        {{{"5", "e"}, {"6", "f"}, {"7", "g"}}, 40'000, {"5", "6"}, "and 40001 more"},
        {{}, 0, {}, {}},
    };
    for (const auto& step : steps) {
        show(step.items, step.unlisted);
        QTest::qWait(10); // every layout pass it caused
        EXPECT_EQ(list.keys(), step.keys);
        EXPECT_EQ(list.moreLabel()->isVisible() ? list.moreLabel()->text() : QString(), step.more);
        EXPECT_TRUE(step.more.isEmpty() || list.rows().back()->y() < list.moreLabel()->y()); // the line comes last
        LayoutRequestCounter requests;
        window.installEventFilter(&requests);
        list.installEventFilter(&requests);
        show(step.items, step.unlisted);
        QTest::qWait(10);
        EXPECT_EQ(requests.count, 0); // a steady refresh lays nothing out
    }
    list.setParent(nullptr);
}

// Reversing 20,000 kept rows costs about twenty-five times reversing 1,000 (linear, with a fixed part); moving each
// row by searching the layout made it four hundred times (seconds).
TEST(KeyedRowListCost, ReversingManyKeptRowsIsLinear)
{
    const auto reversalCost = [](int rows) {
        KeyedRowList list;
        list.setRowLimit(rows);
        QStringList keys;
        for (int i = 0; i < rows; ++i)
            keys << QString::number(i);
        const auto create = [](int) { auto* row = new QWidget; row->setFixedHeight(1); return row; };
        const auto keep = [](QWidget*, int) {};
        list.setRows(keys, create, keep);
        const qint64 cost = leastThreadCpuMicroseconds([&] {
            std::reverse(keys.begin(), keys.end());
            list.setRows(keys, create, keep);
        });
        EXPECT_EQ(list.keys(), keys);
        list.adjustSize();
        EXPECT_LT(list.row(keys.first())->y(), list.row(keys.last())->y());
        return cost;
    };
    const qint64 few = reversalCost(1'000), many = reversalCost(20'000);
    EXPECT_LT(many, 120 * few) << few << " µs for 1,000 rows, " << many << " µs for 20,000";
}

TEST(KeyedRowListWithProcessRows, OpenInsightSurvivesAReorder)
{
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath("settings.ini"));
    ExplainerDouble answers;
    struct Process {
        qint32 pid;
        QString name;
    };
    KeyedRowList list;
    const auto refresh = [&](const QList<Process>& processes) {
        list.setItems<ProcessRow>(
            processes, [](const Process& p) { return QString::number(p.pid); },
            [&](const Process& p) {
                return new ProcessRow("cpu.fill", QIcon(), p.name, "1%", SystemColor::blue, false, nullptr,
                                      nullptr, ProcessRow::Services{&settings, answers.explainer()});
            },
            [](ProcessRow* row, const Process& p) {
                row->setInputs("cpu.fill", QIcon(), p.name, "2%", SystemColor::blue, false, nullptr);
            });
    };
    list.show();
    refresh({{100, "clang"}, {200, "ollama"}, {300, "node"}});
    auto* ollama = static_cast<ProcessRow*>(list.row("200"));
    ollama->toggleInsight();
    ASSERT_TRUE(ollama->insightPopover()->isVisible());

    refresh({{300, "node"}, {200, "ollama"}, {400, "cargo"}});
    EXPECT_EQ(list.row("200"), ollama);
    EXPECT_TRUE(ollama->showAIExplanation());
    EXPECT_TRUE(ollama->insightPopover()->isVisible());

    // Its answer still lands on the kept row.
    answers.answer(0, "Serves models.");
    ASSERT_TRUE(QTest::qWaitFor([&] { return ollama->aiExplanation().has_value(); }));
    EXPECT_EQ(ollama->aiExplanation(), "Serves models.");
}

} // namespace
