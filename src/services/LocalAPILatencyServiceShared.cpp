#include "localai/LocalAPILatencyService.h"

#include "localai/LocalAIService.h"

#include <QCoreApplication>

LocalAPILatencyService& LocalAPILatencyService::shared()
{
    static auto* service = [] {
        Deps deps;
        deps.localAI = &LocalAIService::shared();
        return new LocalAPILatencyService(deps, true, QCoreApplication::instance());
    }();
    return *service;
}
