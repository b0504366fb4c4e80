#pragma once

#include "localai/BuildCacheService.h"
#include "localai/LocalAIService.h"
#include "localai/LocalAPILatencyService.h"
#include "localai/LocalAPIProxyService.h"

#include <QTemporaryDir>

#include <memory>

// The local-AI services with their demo rows and nothing running: no timer
// starts and the model server address is a closed loopback port.
struct SampleLocalAI {
    SampleLocalAI();

    QTemporaryDir home;
    std::unique_ptr<LocalAIService> localAI;
    std::unique_ptr<BuildCacheService> buildCache;
    std::unique_ptr<LocalAPILatencyService> latency;
    LocalAPIProxyService proxy;
};
