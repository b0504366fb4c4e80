#include "telemetry/AIProcessFilter.h"

#include <gtest/gtest.h>

namespace {

TEST(AIProcessFilterTest, NameOrPathMarksAIWork)
{
    const struct {
        const char* name;
        const char* path;
        bool kept;
    } cases[] = {
        {"Ollama", "/Applications/Ollama.app/Contents/MacOS/Ollama", true},
        {"python3", "/usr/bin/python3", true},
        {"conda", "/opt/conda/bin/conda", true},
        {"llama-server", "/usr/local/bin/llama-server", true},
        {"node", "/home/u/miniconda3/envs/web/bin/node", true},
        {"worker", "/srv/PyTorch-serve/worker", true},
        {"jupyter", "/usr/bin/jupyter", false},
        {"node", "/usr/bin/node", false},
    };
    QList<ProcessInfoData> all;
    QList<qint32> expected;
    for (const auto& c : cases) {
        ProcessInfoData p;
        p.id = qint32(all.size() + 100);
        p.name = QString::fromLatin1(c.name);
        p.fullPath = QString::fromLatin1(c.path);
        EXPECT_EQ(AIProcessFilter::matches(p), c.kept) << c.name << " " << c.path;
        if (c.kept)
            expected << p.id;
        all << p;
    }
    QList<qint32> kept;
    for (const ProcessInfoData& p : AIProcessFilter::apply(all))
        kept << p.id;
    EXPECT_EQ(kept, expected); // order kept
    EXPECT_FALSE(AIProcessFilter::anySuspended(all));
    all[6].isSuspended = true; // jupyter: frozen, but not AI work
    EXPECT_FALSE(AIProcessFilter::anySuspended(AIProcessFilter::apply(all)));
}

} // namespace
