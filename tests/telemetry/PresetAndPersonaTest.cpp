#include "telemetry/PerformancePreset.h"
#include "telemetry/WorkspacePersona.h"

#include <gtest/gtest.h>

TEST(PresetAndPersonaTest, FromRawMatchesWholeStringsExactly)
{
    EXPECT_EQ(PerformancePreset::fromRaw(QStringLiteral("Eco Dev")), PerformancePreset(PerformancePreset::ecoDev));
    EXPECT_FALSE(PerformancePreset::fromRaw(QStringLiteral("eco dev")));
    EXPECT_FALSE(PerformancePreset::fromRaw(QStringLiteral("Eco Dev ")));
    EXPECT_FALSE(PerformancePreset::fromRaw(QString()));

    EXPECT_EQ(WorkspacePersona::fromRaw(QStringLiteral("Software Developer")),
              WorkspacePersona(WorkspacePersona::developer));
    EXPECT_FALSE(WorkspacePersona::fromRaw(QStringLiteral("Developer")));
}

TEST(PresetAndPersonaTest, CaseListsRoundTripTheirRawValues)
{
    const auto& presets = PerformancePreset::allCases();
    ASSERT_EQ(presets.size(), 7u);
    EXPECT_EQ(presets.front(), PerformancePreset::inferenceMax);
    EXPECT_EQ(presets.back(), PerformancePreset::vanillaMac);
    for (PerformancePreset p : presets) {
        EXPECT_EQ(PerformancePreset::fromRaw(p.rawValue()), p);
        EXPECT_FALSE(p.icon().isEmpty());
        EXPECT_FALSE(p.description().isEmpty());
    }
    EXPECT_EQ(PerformancePreset().rawValue(), QStringLiteral("Vanilla Mac"));

    const auto& personas = WorkspacePersona::allCases();
    ASSERT_EQ(personas.size(), 4u);
    for (WorkspacePersona p : personas)
        EXPECT_EQ(WorkspacePersona::fromRaw(p.id()), p);
    EXPECT_EQ(WorkspacePersona().rawValue(), QStringLiteral("AI Engineer"));
}
