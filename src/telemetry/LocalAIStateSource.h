#pragma once

#include <QList>

// What the sampler reads of the local-AI watcher, as plain figures. Read-only,
// so the sampler neither builds nor changes the watcher.
class LocalAIStateSource {
public:
    virtual ~LocalAIStateSource() = default;

    // Sizes in bytes of the models the local model server holds loaded.
    virtual QList<qint64> loadedModelSizes() const = 0;
    virtual bool buildTurboEnabled() const = 0;
    virtual bool demoMode() const = 0;
};
