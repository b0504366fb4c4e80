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

// Model fields (through the real decoder) and a program's name (through the real /proc scan) show on one line, in order.
TEST(OutsideTextRows, ModelFieldsAndProgramNamesShowOnOneLineInTheirOwnOrder)
{
    const std::pair<QByteArray, QString> cases[] = { // inside every field's JSON string; empty: refused
        {"gg\\nuf", QStringLiteral("gg uf")},
        {"Q4\xE2\x80\xAE_K", QStringLiteral("Q4_K")},
        {"\\u20678B\\u2069\\u001b\\u2028x", QStringLiteral("8B  x")},
        {"gg\xFFuf", {}},
    };
    for (const auto& [raw, shown] : cases) {
        SCOPED_TRACE(shown.toStdString());
        const auto decoded = decodeModelList(QByteArray(R"({"models":[{"name":"$","size":1,"details":{)"
                                                       R"("parameter_size":"$","format":"$","quantization_level":"$"}}]})")
                                                .replace('$', raw));
        ASSERT_EQ(decoded.has_value(), !shown.isEmpty());
        if (!decoded)
            continue;
        KeyedRowList list;
        LoadedModelRow::showModels(&list, decoded->models, SystemColor::blue, {}, [](auto&) { return std::function<void()>(); });
        const auto* row = static_cast<LoadedModelRow*>(list.rows().value(0));
        ASSERT_TRUE(row);
        EXPECT_EQ(row->nameText(), shown);
        EXPECT_EQ(row->tagText(), shown);
        EXPECT_EQ(row->detailText(), shown.toUpper() + QStringLiteral(" \u2022 ") + shown);
    }

    // Invalid UTF-8, a newline, an override and an escape in a program file's name, in this run's TMPDIR.
    SleepChild child(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral(R"sh(f="$TMPDIR/$(printf 'kv\377\n\342\200\256\033zz')";
                                                  cp /bin/sleep "$f" && exec "$f" 60)sh")});
    ASSERT_TRUE(waitUntil([&] { return child.stat().contains("(kv"); }));
    ProcessTable table;
    FakeClock clock;
    Random random{7};
    ProcessMonitor monitor{
        {&table, &ProcessSignaller::system(), &SessionProcessGuard::system(), nullptr, &clock, &random, {}}};
    monitor.tick();
    monitor.toggleSuspend(child.pid()); // frozen, it is listed however busy the machine is
    monitor.tick();
    ExplainerDouble answers;
    KeyedRowList list;
    ProcessRow::showCpuList(&list, monitor.topProcesses(), SystemColor::blue, &monitor, {nullptr, answers.explainer()});
    auto* row = static_cast<ProcessRow*>(list.row(QString::number(child.pid())));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->findChild<ElidedLabel*>(QStringLiteral("name"))->text(), QStringLiteral("kv\uFFFD  zz"));
    row->toggleInsight();
    EXPECT_EQ(answers.asked, QStringList{QStringLiteral("kv\uFFFD  zz")}); // asked about the name shown
}
