#include "ExplainerDouble.h"

#include "core/Random.h"
#include "fakes/FakeClock.h"
#include "localai/ModelListDecoder.h"
#include "platform/ProcessSignaller.h"
#include "platform/ProcessTable.h"
#include "platform/SessionProcessGuard.h"
#include "support/SleepChild.h"
#include "telemetry/ProcessMonitor.h"
#include "widgets/ElidedLabel.h"
#include "widgets/KeyedRowList.h"
#include "widgets/LoadedModelRow.h"
#include "widgets/ProcessRow.h"

#include <gtest/gtest.h>

#include <optional>

// What a model server or a program calls itself reaches the rows of both
// windows (the AI pages list models and processes with these rows) on one
// line, in its own order: through the real model-list decoder, and through
// the real /proc scan of a child whose program file carries such bytes.
namespace {

enum class Source { modelName, parameterSize, format, quantization, programFile };

QByteArray modelAnswer(Source source, const QByteArray& raw)
{
    const auto field = [&](Source s, const char* fallback) { return s == source ? raw : QByteArray(fallback); };
    return "{\"models\":[{\"name\":\"" + field(Source::modelName, "llama3:8b") + "\",\"size\":4661224816,"
           + "\"details\":{\"parameter_size\":\"" + field(Source::parameterSize, "8B") + "\",\"format\":\""
           + field(Source::format, "gguf") + "\",\"quantization_level\":\"" + field(Source::quantization, "Q4_0")
           + "\"}}]}";
}

// The text the model's row shows for `source`; none when no row shows.
std::optional<QString> shownModelField(Source source, const QByteArray& raw)
{
    const std::optional<DecodedModelList> decoded = decodeModelList(modelAnswer(source, raw));
    if (!decoded)
        return std::nullopt;
    KeyedRowList list;
    LoadedModelRow::showModels(&list, decoded->models, SystemColor::blue, {}, [](const LocalAIModel&) {
        return std::function<void()>();
    });
    if (list.count() != 1)
        return std::nullopt;
    const auto* row = static_cast<LoadedModelRow*>(list.rows().first());
    const QString separator = QStringLiteral(" \u2022 ");
    switch (source) {
    case Source::modelName: return row->nameText();
    case Source::parameterSize: return row->tagText();
    case Source::format: return row->detailText().section(separator, 0, 0);
    case Source::quantization: return row->detailText().section(separator, 1);
    case Source::programFile: break;
    }
    return std::nullopt;
}

struct LiveMonitor {
    ProcessTable table;
    FakeClock clock;
    Random random{7};
    ProcessMonitor monitor{{&table, &ProcessSignaller::system(), &SessionProcessGuard::system(), nullptr, &clock,
                            &random, {}}};
};

} // namespace

TEST(OutsideTextRows, ModelFieldsAndProgramNamesShowOnOneLineInTheirOwnOrder)
{
    const struct {
        const char* what;
        Source source;
        QByteArray raw; // as it arrives: inside a JSON string, or a file name's bytes
        std::optional<QString> shown;
    } cases[] = {
        {"a newline in the format", Source::format, "gg\\nuf", QStringLiteral("GG UF")},
        {"an override in the quantization", Source::quantization, "Q4\xE2\x80\xAE_K_M", QStringLiteral("Q4_K_M")},
        {"an isolate and an escape in the parameter size", Source::parameterSize, "\\u20678B\\u2069\\u001b",
         QStringLiteral("8B ")},
        {"an override and a line break in the name", Source::modelName, "llama3\\u202e:8b\\u2028x",
         QStringLiteral("llama3:8b x")},
        {"half a surrogate pair in the quantization", Source::quantization, "Q\\ud800", QStringLiteral("Q\uFFFD")},
        // The decoder refuses an answer that is not UTF-8 as a whole.
        {"bytes that are not UTF-8 in the format", Source::format, "gg\xFFuf", std::nullopt},
        {"invalid UTF-8, a newline, an override and an escape in a program's name", Source::programFile,
         "kv\xFF\n\xE2\x80\xAE\x1Bzz", QStringLiteral("kv\uFFFD  zz")},
        {"a C1 control and an isolate in a program's name", Source::programFile,
         "gpu\xC2\x9B\xE2\x81\xA6" "evil\xE2\x81\xA9.sh", QStringLiteral("gpu evil.sh")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.source != Source::programFile) {
            const std::optional<QString> shown = shownModelField(c.source, c.raw);
            EXPECT_EQ(shown, c.shown);
            continue;
        }

        SleepChild child(SleepChild::RawName{c.raw});
        ASSERT_EQ(child.process.state(), QProcess::Running);
        LiveMonitor live;
        live.monitor.tick();
        // Frozen, an idle child is listed however busy the machine is.
        live.monitor.toggleSuspend(child.pid());
        live.monitor.tick();

        ExplainerDouble answers;
        KeyedRowList byName;
        ProcessRow::showCpuList(&byName, live.monitor.topProcesses(), SystemColor::blue, &live.monitor,
                                {nullptr, answers.explainer()});
        auto* row = static_cast<ProcessRow*>(byName.row(QString::number(child.pid())));
        ASSERT_TRUE(row);
        const QString name = row->findChild<ElidedLabel*>(QStringLiteral("name"))->text();
        EXPECT_EQ(name, c.shown);
        row->toggleInsight();
        EXPECT_EQ(answers.asked, QStringList{name}) << "the co-pilot is asked about the name shown";

        KeyedRowList byPath;
        ProcessRow::ListLook look{QStringLiteral("cpu.fill"), SystemColor::blue, {}, true, {}};
        ProcessRow::showProcesses(&byPath, live.monitor.topProcesses(), look, &live.monitor, {});
        auto* pathRow = static_cast<ProcessRow*>(byPath.row(QString::number(child.pid())));
        ASSERT_TRUE(pathRow);
        const QString path = pathRow->findChild<ElidedLabel*>(QStringLiteral("name"))->text();
        EXPECT_TRUE(path.endsWith(QLatin1Char('/') + *c.shown)) << path.toStdString();
        live.monitor.toggleSuspend(child.pid());
    }
}
