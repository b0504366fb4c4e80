#include "localai/LocalAIExamples.h"
#include "localai/LocalAIService.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

TEST(LocalAIRecordsTest, IdentitiesAndSizes)
{
    EXPECT_DOUBLE_EQ((LocalAIModel{.name = QStringLiteral("m"), .size = 1073741824}).sizeInGB(), 1.0);
    EXPECT_NEAR((LocalAIModel{.name = QStringLiteral("m"), .size = 4724464640}).sizeInGB(), 4.40, 0.005);
    EXPECT_EQ((LocalPortInfo{11434, QStringLiteral("ollama"), 90281}).id(), QStringLiteral("11434-90281"));
    EXPECT_EQ((OrphanedCompanionInfo{QStringLiteral("x"), 4242, {}, {}}).id(), QStringLiteral("4242"));
    const LocalAIModel defaults;
    EXPECT_EQ(defaults.parameterSize, QStringLiteral("Unknown"));
    EXPECT_EQ(defaults.format, QStringLiteral("gguf"));
    EXPECT_FALSE(defaults.expiresAt);
    EXPECT_EQ(OllamaStatus::fromRaw(QStringLiteral("Idle")), OllamaStatus(OllamaStatus::idle));
    EXPECT_FALSE(OllamaStatus::fromRaw(QStringLiteral("idle")));
}

TEST(LocalAIRecordsTest, ServiceStartsInDemoModeAndNotifiesOnlyOnChange)
{
    LocalAIService service;
    EXPECT_TRUE(service.demoMode());
    EXPECT_EQ(service.status(), OllamaStatus::offline);
    EXPECT_TRUE(service.activeModels().isEmpty());

    QSignalSpy spy(&service, &LocalAIService::batteryShieldEnabledChanged);
    QSignalSpy any(&service, &ObservableObject::changed);
    service.setBatteryShieldEnabled(false);
    EXPECT_EQ(spy.count(), 0);
    service.setBatteryShieldEnabled(true);
    EXPECT_EQ(spy.count(), 1);
    service.setActiveLocalPorts({{11434, QStringLiteral("ollama"), 7}});
    service.setActiveLocalPorts({{11434, QStringLiteral("ollama"), 7}});
    EXPECT_EQ(any.count(), 2);
}

// Examples are known by identity: a new measured figure leaves one an example, another container id does not.
TEST(LocalAIRecordsTest, ExamplesAreKnownByIdentityNotByTheirChangingFields)
{
    auto latency = LocalAIExamples::portLatencies().first();
    latency.latencyMs = 0;
    EXPECT_TRUE(LocalAIExamples::isExample(latency));
    auto db = LocalAIExamples::vectorDatabases().first();
    db.containerId = QStringLiteral("0123456789ab");
    EXPECT_FALSE(LocalAIExamples::isExample(db));
}
