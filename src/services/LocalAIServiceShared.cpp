#include "localai/LocalAIService.h"

#include "platform/HoldRecord.h"
#include "telemetry/SystemStatsProvider.h"

#include <QCoreApplication>

LocalAIService& LocalAIService::shared()
{
    static auto* service = [] {
        LocalAIService::Deps deps;
        // Read at each shield check, so the sampler is not built from here.
        deps.isUnplugged = [] { return SystemStatsProvider::shared().isUnplugged(); };
        deps.holds = &HoldRecord::shared();
        return new LocalAIService(std::move(deps), true, QCoreApplication::instance());
    }();
    return *service;
}
