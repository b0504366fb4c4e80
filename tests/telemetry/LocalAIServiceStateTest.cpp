#include "localai/LocalAIService.h"
#include "telemetry/LocalAIServiceState.h"

#include <gtest/gtest.h>

namespace {

TEST(LocalAIServiceState, LooksTheServiceUpOnlyWhenRead)
{
    LocalAIService service;
    int lookups = 0;
    LocalAIServiceState state([&]() -> LocalAIService& {
        ++lookups;
        return service;
    });
    EXPECT_EQ(lookups, 0);

    LocalAIModel model;
    model.name = QStringLiteral("qwen");
    service.setActiveModels({model});
    service.setBuildTurboEnabled(true);
    service.setDemoMode(false);
    EXPECT_EQ(state.activeModels(), QList<LocalAIModel>{model});
    EXPECT_TRUE(state.buildTurboEnabled());
    EXPECT_FALSE(state.demoMode());
    EXPECT_EQ(lookups, 3);
}

} // namespace
