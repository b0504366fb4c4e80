#pragma once

#include "localai/ModelCacheFile.h"
#include "platform/SafeDelete.h"

#include <QList>
#include <QString>

class TreeSizeCache;

// The two folders below the home folder that hold model files:
// ".ollama/models/blobs" (files over 50,000,000 bytes are listed) and
// ".cache/huggingface/hub" (over 10,000,000 bytes). Both functions touch
// the disk: call them on the file worker, never the main thread.
namespace ModelCacheFolders {

QString ollamaRoot(const QString& home);
QString huggingFaceRoot(const QString& home);

// Large files in both folders, largest first; files of equal size keep the
// order found (Ollama first). Hidden files and folders are skipped; links
// are neither listed nor followed. An unusable home lists nothing. With
// `sizes`, folders unchanged since its last pass are not read again.
QList<ModelCacheFile> scan(const QString& home, TreeSizeCache* sizes = nullptr);

// Deletes one file (or a folder tree) strictly inside one of the two
// folders of a sane home. The path must be absolute and clean, and no
// folder from the home down to it may be a link; a link is removed itself,
// never its target. What stays is added to `left` when given.
SafeDelete::Outcome remove(const QString& home, const QString& path, DeletionLeftovers* left = nullptr);

} // namespace ModelCacheFolders
