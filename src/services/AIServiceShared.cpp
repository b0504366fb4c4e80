#include "telemetry/AIService.h"

#include "core/Scheduler.h"
#include "platform/CommandRunner.h"

AIService& AIService::shared()
{
    static AIService service(CommandRunner::system(), Scheduler::system());
    return service;
}
