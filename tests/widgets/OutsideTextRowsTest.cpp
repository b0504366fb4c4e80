#include "ExplainerDouble.h"

#include "core/Random.h"
#include "fakes/FakeClock.h"
#include "localai/ModelListDecoder.h"
#include "platform/ProcessSignaller.h"
#include "platform/ProcessTable.h"
#include "platform/SessionProcessGuard.h"
#include "support/SleepChild.h"
#include "support/TaskRunner.h"
#include "telemetry/ProcessMonitor.h"
#include "widgets/ElidedLabel.h"
#include "widgets/KeyedRowList.h"
#include "widgets/LoadedModelRow.h"

#include <gtest/gtest.h>

// What a model server or a program calls itself reaches the rows on one
// line, in its own order: through the real model-list decoder, and through
// the real /proc scan of a child whose program file carries such bytes.
TEST(OutsideTextRows, ModelFieldsAndProgramNamesShowOnOneLineInTheirOwnOrder)
{
    const struct {
        const char* what;
        QByteArray raw; // inside every field's JSON string
        QString shown;  // empty: the decoder refuses an answer that is not UTF-8
    } cases[] = {
        {"a newline", "gg\\nuf", QStringLiteral("gg uf")},
        {"an override", "Q4\xE2\x80\xAE_K", QStringLiteral("Q4_K")},
        {"isolates, an escape and a line separator", "\\u20678B\\u2069\\u001b\\u2028x", QStringLiteral("8B  x")},
        {"half a surrogate pair", "Q\\ud800", QStringLiteral("Q\uFFFD")},
        {"bytes that are not UTF-8", "gg\xFFuf", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto decoded = decodeModelList(QByteArray(R"({"models":[{"name":"$","size":1,"details":{)"
                                                       R"("parameter_size":"$","format":"$","quantization_level":"$"}}]})")
                                                .replace('$', c.raw));
        ASSERT_EQ(decoded.has_value(), !c.shown.isEmpty());
        if (!decoded)
            continue;
        KeyedRowList list;
        LoadedModelRow::showModels(&list, decoded->models, SystemColor::blue, {}, [](auto&) { return std::function<void()>(); });
        ASSERT_EQ(list.count(), 1);
        const auto* row = static_cast<LoadedModelRow*>(list.rows().first());
        EXPECT_EQ(row->nameText(), c.shown);
        EXPECT_EQ(row->tagText(), c.shown);
        EXPECT_EQ(row->detailText(), c.shown.toUpper() + QStringLiteral(" \u2022 ") + c.shown);
    }

    // Invalid UTF-8, a newline, an override and an escape in a program's name.
    SleepChild child(QStringLiteral("/bin/sh"), // in this test run's own TMPDIR
                     {QStringLiteral("-c"), QStringLiteral(R"sh(f="$TMPDIR/$(printf 'kv\377\n\342\200\256\033zz')";
                                                  cp /bin/sleep "$f" && exec "$f" 60)sh")});
    ASSERT_TRUE(waitUntil([&] { return child.stat().contains("(kv"); }));
    const QString shown = QStringLiteral("kv\uFFFD  zz");
    ProcessTable table;
    FakeClock clock;
    Random random{7};
    ProcessMonitor monitor{
        {&table, &ProcessSignaller::system(), &SessionProcessGuard::system(), nullptr, &clock, &random, {}}};
    monitor.tick();
    monitor.toggleSuspend(child.pid()); // frozen, an idle child is listed however busy the machine is
    monitor.tick();
    ExplainerDouble answers;
    KeyedRowList list;
    ProcessRow::showCpuList(&list, monitor.topProcesses(), SystemColor::blue, &monitor, {nullptr, answers.explainer()});
    auto* row = static_cast<ProcessRow*>(list.row(QString::number(child.pid())));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->findChild<ElidedLabel*>(QStringLiteral("name"))->text(), shown);
    row->toggleInsight();
    EXPECT_EQ(answers.asked, QStringList{shown}) << "the co-pilot is asked about the name shown";
}
