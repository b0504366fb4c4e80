#pragma once

#include <QString>

// A large model weight file on disk.
struct ModelCacheFile {
    QString name;            // last path component
    qint64 size = 0;         // bytes
    QString path;            // absolute path
    QString type;            // "Ollama" or "HuggingFace"

    QString id() const { return path; }
    bool operator==(const ModelCacheFile&) const = default;
};
