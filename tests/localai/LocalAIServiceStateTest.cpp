#include "localai/LocalAIService.h"
#include "localai/LocalAIServiceState.h"

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
    model.size = 4200;
    service.setActiveModels({model});
    service.setBuildTurboEnabled(true);
    service.setDemoMode(false);
    EXPECT_EQ(state.loadedModelSizes(), QList<qint64>{4200});
    EXPECT_TRUE(state.buildTurboEnabled());
    EXPECT_FALSE(state.demoMode());
    EXPECT_EQ(lookups, 3);
}

} // namespace
