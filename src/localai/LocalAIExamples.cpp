#include "localai/LocalAIExamples.h"

#include <algorithm>
#include <tuple>

namespace LocalAIExamples {

QList<LocalAIModel> models(const QDateTime& now)
{
    return {
        {QStringLiteral("deepseek-coder:6.7b"), 4724464640, QStringLiteral("6.7B"), QStringLiteral("Q4_K_M"),
         QStringLiteral("gguf"), now.addSecs(240)},
        {QStringLiteral("llama3:8b"), 4661224816, QStringLiteral("8B"), QStringLiteral("Q4_0"), QStringLiteral("gguf"),
         now.addSecs(120)},
    };
}

QList<VectorDatabaseInfo> vectorDatabases()
{
    return {
        {QStringLiteral("chroma-local"), 8000, QStringLiteral("184 MB"), QStringLiteral("dc84e27f9b8c"),
         QStringLiteral("Running")},
        {QStringLiteral("qdrant-local"), 6333, QStringLiteral("242 MB"), QStringLiteral("9ae815f212bc"),
         QStringLiteral("Running")},
    };
}

QList<OrphanedCompanionInfo> orphanedCompanions()
{
    return {
        {QStringLiteral("continue-agent"), 82194, QStringLiteral("142 MB"), QStringLiteral("VS Code (Closed)")},
        {QStringLiteral("copilot-agent"), 82955, QStringLiteral("98 MB"), QStringLiteral("Cursor (Closed)")},
    };
}

QList<LocalPortInfo> localPorts()
{
    return {
        {11434, QStringLiteral("ollama"), 90281},
        {5432, QStringLiteral("postgres"), 8812},
        {6379, QStringLiteral("redis-server"), 8815},
        {3000, QStringLiteral("node (next-dev)"), 82918},
        {8000, QStringLiteral("uvicorn (python)"), 82955},
    };
}

QList<ModelCacheFile> modelCacheFiles()
{
    return {
        {QStringLiteral("deepseek-r1-distill-qwen-7b.gguf"), 4724464640,
         QStringLiteral("/Users/tobrell/.ollama/models/blobs/sha256:7bde42a"), QStringLiteral("Ollama")},
        {QStringLiteral("llama3-8b-instruct.gguf"), 4661224816,
         QStringLiteral("/Users/tobrell/.ollama/models/blobs/sha256:3a11f2c"), QStringLiteral("Ollama")},
        {QStringLiteral("config.json (Qwen2.5-7B-Instruct)"), 1048576,
         QStringLiteral("/Users/tobrell/.cache/huggingface/hub/models--Qwen--Qwen2.5-7B/snapshots/1a2b3c/config.json"),
         QStringLiteral("HuggingFace")},
        {QStringLiteral("model.safetensors.index.json"), 2097152,
         QStringLiteral("/Users/tobrell/.cache/huggingface/hub/models--Qwen--Qwen2.5-7B/snapshots/1a2b3c/"
                        "model.safetensors.index.json"),
         QStringLiteral("HuggingFace")},
    };
}

QList<PortLatencyInfo> portLatencies()
{
    const QString online = QStringLiteral("Online");
    return {
        {11434, QStringLiteral("ollama"), 4321, 2.4, online},
        {5432, QStringLiteral("postgres"), 4322, 0.8, online},
        {6379, QStringLiteral("redis-server"), 4323, 0.5, online},
        {3000, QStringLiteral("node (next-dev)"), 4324, 8.5, online},
        {8000, QStringLiteral("uvicorn (python)"), 4325, 12.1, online},
    };
}

namespace {

// Whether `row` names the same thing as one of `examples`. Only what
// identifies a row is compared: figures and states that the services rewrite
// in place (a shielded container's status, an expiry, a measured latency)
// leave an example an example.
template <typename Row, typename Identity>
bool sameAsAny(const QList<Row>& examples, const Row& row, Identity identity)
{
    return std::any_of(examples.begin(), examples.end(),
                       [&](const Row& example) { return identity(example) == identity(row); });
}

} // namespace

bool isExample(const LocalAIModel& model)
{
    return sameAsAny(models(QDateTime()), model, [](const LocalAIModel& m) {
        return std::tie(m.name, m.size, m.parameterSize, m.quantization, m.format);
    });
}

bool isExample(const VectorDatabaseInfo& database)
{
    return sameAsAny(vectorDatabases(), database,
                     [](const VectorDatabaseInfo& d) { return std::tie(d.name, d.port, d.containerId); });
}

bool isExample(const OrphanedCompanionInfo& companion)
{
    return sameAsAny(orphanedCompanions(), companion,
                     [](const OrphanedCompanionInfo& c) { return std::tie(c.name, c.pid, c.targetIDE); });
}

bool isExample(const LocalPortInfo& port)
{
    return sameAsAny(localPorts(), port,
                     [](const LocalPortInfo& p) { return std::tie(p.port, p.processName, p.pid); });
}

bool isExample(const ModelCacheFile& file)
{
    return sameAsAny(modelCacheFiles(), file,
                     [](const ModelCacheFile& f) { return std::tie(f.path, f.name, f.type); });
}

bool isExample(const PortLatencyInfo& latency)
{
    return sameAsAny(portLatencies(), latency,
                     [](const PortLatencyInfo& l) { return std::tie(l.port, l.processName, l.pid); });
}

} // namespace LocalAIExamples
