#include "localai/BuildCacheService.h"

#include "localai/LocalAIService.h"
#include "platform/SystemPaths.h"

#include <QCoreApplication>

BuildCacheService& BuildCacheService::shared()
{
    // The demo flag is read through LocalAIService only when an operation
    // starts, so creating this service never creates that one.
    static auto* service = new BuildCacheService(
        Deps{.home = SystemPaths::live().home, .demoMode = [] { return LocalAIService::shared().demoMode(); }},
        true, QCoreApplication::instance());
    return *service;
}
