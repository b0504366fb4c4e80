#include "dashboard/assistant/CoPilotAudit.h"
#include "localai/LocalAIModel.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr qint64 kMiB = 1024 * 1024;
constexpr qint64 kGiB = 1024 * kMiB;

TEST(CoPilotAudit, BuildCacheCardShowsAboveOneGibibyteAndAtZero)
{
    struct Case {
        qint64 bytes;
        bool shown;
        const char* sizeText;
    };
    const Case cases[] = {
        {0, true, "4.82 GB"},           // nothing measured: the stand-in figure
        {512 * kMiB, false, "0.50 GB"},
        {kGiB, false, "1.00 GB"},       // 1.0 is not above 1.0
        {kGiB + 1, true, "1.00 GB"},
        {kGiB + kGiB / 2, true, "1.50 GB"},
        {-5, false, "4.82 GB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        const auto card = CoPilotAudit::buildCache(c.bytes, SystemColor::indigo);
        EXPECT_EQ(CoPilotAudit::buildCacheSizeText(c.bytes), c.sizeText);
        ASSERT_EQ(card.has_value(), c.shown);
        if (!card)
            continue;
        EXPECT_EQ(card->description, QStringLiteral("Your Xcode DerivedData folder is consuming ") + c.sizeText
                                         + " of SSD space. Reclaim it safely; Xcode will rebuild it on your next build.");
        EXPECT_EQ(card->buttonColor, UiColor(SystemColor::indigo)) << "the theme's accent";
    }
}

TEST(CoPilotAudit, ThermalCardFollowsTheTurboSwitchAndTheReading)
{
    struct Case {
        bool turbo;
        double soc;
        const char* title;
        const char* description;
        const char* button;
        SystemColor color;
    };
    const char* turboText = "Fans are forced to 100% velocity. System is running at optimum cold temperature.";
    const Case cases[] = {
        {false, 0, "High Telemetry Temperature",
         "Mac SoC temperature is operating at 74\u00B0C. Engage turbo cooling to prevent thermal throttling.",
         "Prime Turbo Fans", SystemColor::yellow},
        {false, 63.9, "High Telemetry Temperature",
         "Mac SoC temperature is operating at 63\u00B0C. Engage turbo cooling to prevent thermal throttling.",
         "Prime Turbo Fans", SystemColor::yellow},
        {false, std::numeric_limits<double>::quiet_NaN(), "High Telemetry Temperature",
         "Mac SoC temperature is operating at 74\u00B0C. Engage turbo cooling to prevent thermal throttling.",
         "Prime Turbo Fans", SystemColor::yellow},
        {true, 63.9, "Turbo Cooling Activated", turboText, "Deactivate Turbo", SystemColor::red},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.soc);
        const CoPilotAlertCard::Content card = CoPilotAudit::thermal(c.turbo, c.soc);
        EXPECT_EQ(card.icon, "fanblades.fill");
        EXPECT_EQ(card.title, QString::fromUtf8(c.title));
        EXPECT_EQ(card.description, QString::fromUtf8(c.description));
        EXPECT_EQ(card.buttonTitle, c.button);
        EXPECT_EQ(card.buttonColor, UiColor(c.color));
    }
}

TEST(CoPilotAudit, ContainerAndModelCardsNeedSomethingToShow)
{
    EXPECT_FALSE(CoPilotAudit::containers(false));
    EXPECT_EQ(CoPilotAudit::containers(true)->buttonTitle, "Suspend Colima VM");

    EXPECT_FALSE(CoPilotAudit::modelWeights({}, false));
    const QString tail = "' is occupying active GPU VRAM. Eject it instantly to release memory pages back to "
                         "system applications.";
    EXPECT_EQ(CoPilotAudit::modelWeights({}, true)->description, "Local AI model 'deepseek-r1:7b" + tail);
    const QList<LocalAIModel> two = {{.name = QStringLiteral("llama3:8b")}, {.name = QStringLiteral("qwen2:7b")}};
    EXPECT_EQ(CoPilotAudit::modelWeights(two, false)->description, "Local AI model 'llama3:8b" + tail);
}

} // namespace
