#pragma once

#include "telemetry/LocalAIStateSource.h"

#include <functional>

class LocalAIService;

// LocalAIStateSource over a LocalAIService that is looked up on every read,
// so the production sampler reaches LocalAIService::shared() only when a tick
// first needs it, never while it is being built.
class LocalAIServiceState final : public LocalAIStateSource {
public:
    using Lookup = std::function<LocalAIService&()>;

    explicit LocalAIServiceState(Lookup lookup);

    QList<qint64> loadedModelSizes() const override;
    bool buildTurboEnabled() const override;
    bool demoMode() const override;

private:
    Lookup m_lookup;
};
