#pragma once

#include "telemetry/LocalAIStateSource.h"

// Local-AI state set directly by the test; counts how often it is read.
class FakeLocalAIStateSource final : public LocalAIStateSource {
public:
    QList<qint64> modelSizes;
    bool turbo = false;
    bool demo = true;
    mutable int reads = 0;

    QList<qint64> loadedModelSizes() const override
    {
        ++reads;
        return modelSizes;
    }
    bool buildTurboEnabled() const override
    {
        ++reads;
        return turbo;
    }
    bool demoMode() const override
    {
        ++reads;
        return demo;
    }
};
