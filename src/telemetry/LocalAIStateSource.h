#pragma once

#include "localai/LocalAIModel.h"

#include <QList>

// What the sampler reads of the local-AI watcher. Read-only, so the sampler
// neither builds nor changes the watcher.
class LocalAIStateSource {
public:
    virtual ~LocalAIStateSource() = default;

    virtual QList<LocalAIModel> activeModels() const = 0;
    virtual bool buildTurboEnabled() const = 0;
    virtual bool demoMode() const = 0;
};
