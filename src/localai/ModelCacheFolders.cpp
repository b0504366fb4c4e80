#include "localai/ModelCacheFolders.h"

#include "platform/FileWalker.h"
#include "platform/TreeSizeCache.h"

#include <QFile>

#include <algorithm>

namespace ModelCacheFolders {
namespace {

void collect(const QString& root, qint64 threshold, const QString& type, TreeSizeCache* sizes,
             QList<ModelCacheFile>& out)
{
    if (sizes) {
        const auto measured = sizes->measure(root, {.includeHidden = false, .listFilesOver = threshold});
        for (const TreeSizeCache::LargeFile& file : measured.largeFiles)
            out.append({file.path.section(QLatin1Char('/'), -1), file.size, file.path, type});
        return;
    }
    FileWalker::Options options;
    options.includeHidden = false;
    FileWalker::forEachFile(
        root,
        [&](const QByteArray& path, const struct stat& info) {
            if (S_ISREG(info.st_mode) && info.st_size > threshold) {
                const QString decoded = QFile::decodeName(path);
                out.append({decoded.section(QLatin1Char('/'), -1), qint64(info.st_size), decoded, type});
            }
            return true;
        },
        options);
}

} // namespace

QString ollamaRoot(const QString& home) { return home + QStringLiteral("/.ollama/models/blobs"); }
QString huggingFaceRoot(const QString& home) { return home + QStringLiteral("/.cache/huggingface/hub"); }

QList<ModelCacheFile> scan(const QString& home, TreeSizeCache* sizes)
{
    QList<ModelCacheFile> files;
    if (!SafeDelete::isSaneHome(home))
        return files;
    collect(ollamaRoot(home), 50'000'000, QStringLiteral("Ollama"), sizes, files);
    collect(huggingFaceRoot(home), 10'000'000, QStringLiteral("HuggingFace"), sizes, files);
    std::stable_sort(files.begin(), files.end(),
                     [](const ModelCacheFile& a, const ModelCacheFile& b) { return a.size > b.size; });
    return files;
}

SafeDelete::Outcome remove(const QString& home, const QString& path, DeletionLeftovers* left)
{
    if (!SafeDelete::isSaneHome(home))
        return SafeDelete::Outcome::refused;
    if (!SafeDelete::isStrictlyInside(ollamaRoot(home), path)
        && !SafeDelete::isStrictlyInside(huggingFaceRoot(home), path))
        return SafeDelete::Outcome::refused;
    // Confined to the home rather than the model folder, so that a link
    // anywhere below the home on the way (".cache", "models", ...) refuses.
    return SafeDelete::removeInside(home, path, left);
}

} // namespace ModelCacheFolders
