#include "LocalAITestFixture.h"

#include "localai/LocalAIExamples.h"
#include "platform/ToolPaths.h"
#include "support/TaskRunner.h"

#include <gtest/gtest.h>

namespace {

class EnvironmentScanTest : public ::testing::Test {
protected:
    void SetUp() override { fixture.make(); }
    LocalAIService& service() { return *fixture.service; }
    void run(QCoro::Task<> task) { ASSERT_TRUE(runTask(std::move(task))); }

    // A file of `size` bytes (sparse: no disk space used).
    void makeFile(const QString& relative, qint64 size)
    {
        const QString path = fixture.home() + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(size));
    }
    QStringList listedNames() const
    {
        QStringList names;
        for (const ModelCacheFile& file : fixture.service->cachedModelFiles())
            names << file.name;
        return names;
    }

    LocalAITestFixture fixture;
};

} // namespace

TEST_F(EnvironmentScanTest, VectorDatabasesFallBackToTheExamplesEvenOutsideDemoMode)
{
    run(service().scanVectorDatabases()); // docker missing
    EXPECT_EQ(service().activeVectorDBs(), LocalAIExamples::vectorDatabases());
    EXPECT_EQ(service().activeVectorDBs()[0].name, QStringLiteral("chroma-local"));
    ASSERT_EQ(fixture.commands.calls().size(), 1);
    EXPECT_EQ(fixture.commands.calls()[0].program, ToolPaths::docker());
    EXPECT_EQ(fixture.commands.calls()[0].arguments,
              (QStringList{QStringLiteral("ps"), QStringLiteral("--format"), QStringLiteral("{{.ID}}|{{.Names}}|{{.Ports}}|{{.State}}")}));

    service().setActiveVectorDBs({});
    fixture.commands.scriptOutput(ToolPaths::docker(), "a1|web|0.0.0.0:80->80/tcp\nb2|Chroma-db|\n");
    run(service().scanVectorDatabases());
    EXPECT_EQ(service().activeVectorDBs(), LocalAIExamples::vectorDatabases()) << "no match is case-sensitive";

    service().setActiveVectorDBs({});
    fixture.commands.scriptOutput(ToolPaths::docker(), "c3|chroma|\n\xff\xfe\n");
    run(service().scanVectorDatabases());
    EXPECT_EQ(service().activeVectorDBs(), LocalAIExamples::vectorDatabases()) << "output that is not UTF-8";
}

TEST_F(EnvironmentScanTest, VectorDatabaseRowsFollowTheirNames)
{
    fixture.commands.scriptOutput(ToolPaths::docker(), "m1|my-milvus|19530\r\n"
                                                     "only|two\n"
                                                     "\n"
                                                     "q2|qdrant-chroma-mix|\n"
                                                     "w3|weaviate|8080\n"
                                                     "x4|postgres|5432\n"
                                                     "q5|qdrant|6333/tcp|running\n"
                                                     "p6|chroma-held||paused\n");
    run(service().scanVectorDatabases());
    const QList<VectorDatabaseInfo> expected{
        {QStringLiteral("my-milvus"), 8080, QStringLiteral("128 MB"), QStringLiteral("m1"), QStringLiteral("Running")},
        {QStringLiteral("qdrant-chroma-mix"), 8000, QStringLiteral("128 MB"), QStringLiteral("q2"), QStringLiteral("Running")},
        {QStringLiteral("weaviate"), 8080, QStringLiteral("128 MB"), QStringLiteral("w3"), QStringLiteral("Running")},
        {QStringLiteral("qdrant"), 6333, QStringLiteral("128 MB"), QStringLiteral("q5"), QStringLiteral("Running")},
        // Paused by someone else: never read as running.
        {QStringLiteral("chroma-held"), 8000, QStringLiteral("128 MB"), QStringLiteral("p6"), QStringLiteral("Paused")},
    };
    EXPECT_EQ(service().activeVectorDBs(), expected);
}

TEST_F(EnvironmentScanTest, CompanionsAreExamplesInDemoModeAndNeverScannedOutside)
{
    service().setOrphanedAICompanions(LocalAIExamples::orphanedCompanions());
    run(service().scanOrphanedCompanions());
    EXPECT_TRUE(service().orphanedAICompanions().isEmpty());

    service().setDemoMode(true);
    run(service().scanOrphanedCompanions());
    EXPECT_EQ(service().orphanedAICompanions(), LocalAIExamples::orphanedCompanions());
    const QList<OrphanedCompanionInfo> one{LocalAIExamples::orphanedCompanions().first()};
    service().setOrphanedAICompanions(one);
    run(service().scanOrphanedCompanions());
    EXPECT_EQ(service().orphanedAICompanions(), one) << "a non-empty list is left alone";
    EXPECT_TRUE(fixture.commands.calls().isEmpty());
}

TEST_F(EnvironmentScanTest, DemoPortsAppearOnlyInAnEmptyList)
{
    service().setDemoMode(true);
    run(service().scanLocalPorts());
    const QList<LocalPortInfo>& ports = service().activeLocalPorts();
    ASSERT_EQ(ports.size(), 5);
    EXPECT_EQ(ports[0], (LocalPortInfo{11434, QStringLiteral("ollama"), 90281}));
    EXPECT_EQ(ports[3], (LocalPortInfo{3000, QStringLiteral("node (next-dev)"), 82918}));
    EXPECT_EQ(ports[4], (LocalPortInfo{8000, QStringLiteral("uvicorn (python)"), 82955}));

    const QList<LocalPortInfo> live{{22, QStringLiteral("sshd"), 700}};
    service().setActiveLocalPorts(live);
    run(service().scanLocalPorts());
    EXPECT_EQ(service().activeLocalPorts(), live);
}

TEST_F(EnvironmentScanTest, LivePortsComeFromProcOneRowPerPortSorted)
{
    fixture.proc.addProcess(4100, "ollama", {3101});        // 127.0.0.1:11434
    fixture.proc.addProcess(4102, "ollama-v6", {3201});     // [::]:11434, read after IPv4
    fixture.proc.addProcess(4200, "postgres", {3102});
    fixture.proc.addProcess(4300, "curl", {3104});          // established, not listening
    fixture.proc.addProcess(4400, "node", {3202});          // [::1]:3000
    // 3103 (port 8080) belongs to no process we can see.
    service().setActiveLocalPorts(LocalAIExamples::localPorts());
    run(service().scanLocalPorts());
    const QList<LocalPortInfo> expected{
        {3000, QStringLiteral("node"), 4400},
        {5432, QStringLiteral("postgres"), 4200},
        {11434, QStringLiteral("ollama-v6"), 4102},
    };
    EXPECT_EQ(service().activeLocalPorts(), expected);
}

TEST_F(EnvironmentScanTest, ModelFilesAboveTheThresholdsLargestFirst)
{
    makeFile(QStringLiteral(".ollama/models/blobs/sha256-at-limit"), 50'000'000);
    makeFile(QStringLiteral(".ollama/models/blobs/sha256-over"), 50'000'001);
    makeFile(QStringLiteral(".ollama/models/blobs/nested/sha256-big"), 80'000'000);
    makeFile(QStringLiteral(".ollama/models/blobs/.partial"), 90'000'000);
    makeFile(QStringLiteral(".ollama/models/blobs/.tmp/hidden-folder-file"), 90'000'000);
    makeFile(QStringLiteral(".cache/huggingface/hub/models--a/blobs/hf-over"), 10'000'001);
    makeFile(QStringLiteral(".cache/huggingface/hub/models--a/blobs/hf-at-limit"), 10'000'000);
    makeFile(QStringLiteral(".cache/huggingface/hub/models--a/blobs/hf-same-size"), 50'000'001);
    makeFile(QStringLiteral("elsewhere/outside.gguf"), 200'000'000);
    // Links are not files of the cache: neither listed nor followed.
    const QString hub = fixture.home() + QStringLiteral("/.cache/huggingface/hub/models--a");
    QDir().mkpath(hub + QStringLiteral("/snapshots/1"));
    QFile::link(hub + QStringLiteral("/blobs/hf-over"), hub + QStringLiteral("/snapshots/1/model.safetensors"));
    QFile::link(fixture.home() + QStringLiteral("/elsewhere"), hub + QStringLiteral("/snapshots/linked-folder"));

    run(service().scanModelCache());
    EXPECT_EQ(listedNames(), (QStringList{QStringLiteral("sha256-big"), QStringLiteral("sha256-over"),
                                          QStringLiteral("hf-same-size"), QStringLiteral("hf-over")}));
    const ModelCacheFile& big = service().cachedModelFiles().first();
    EXPECT_EQ(big.path, fixture.home() + QStringLiteral("/.ollama/models/blobs/nested/sha256-big"));
    EXPECT_EQ(big.size, 80'000'000);
    EXPECT_EQ(big.type, QStringLiteral("Ollama"));
    EXPECT_EQ(service().cachedModelFiles().last().type, QStringLiteral("HuggingFace"));
}

TEST_F(EnvironmentScanTest, AMissingFolderStillListsTheOther)
{
    makeFile(QStringLiteral(".ollama/models/blobs/sha256-over"), 60'000'000);
    run(service().scanModelCache());
    EXPECT_EQ(listedNames(), QStringList{QStringLiteral("sha256-over")});

    QDir(fixture.home() + QStringLiteral("/.ollama")).removeRecursively();
    run(service().scanModelCache());
    EXPECT_TRUE(service().cachedModelFiles().isEmpty());

    service().setDemoMode(true);
    run(service().scanModelCache());
    EXPECT_EQ(service().cachedModelFiles(), LocalAIExamples::modelCacheFiles());
    EXPECT_EQ(service().cachedModelFiles()[2].name, QStringLiteral("config.json (Qwen2.5-7B-Instruct)"));
}
