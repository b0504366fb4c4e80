#include "telemetry/PresetManager.h"

#include "fakes/FakePowerSource.h"
#include "fakes/FakeRunningApplications.h"
#include "fakes/FakeSleepInhibitor.h"
#include "fakes/FakeTerminalLauncher.h"
#include "platform/CommandRunner.h"
#include "platform/TerminalEmulatorLauncher.h"
#include "support/TaskRunner.h"
#include "QStringPrinter.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kDash = QStringLiteral(" \u2014 ");
const QString kTraining = QStringLiteral("Kestrova: Local Training Mode active");

class PresetManagerTest : public ::testing::Test {
protected:
    PresetManagerTest()
    {
        // Answer the way the bus does, from a later turn of the event loop.
        inhibitor.answerLater = true;
        QObject::connect(&manager, &PresetManager::currentStatusChanged,
                         [this] { statuses.append(manager.currentStatus()); });
    }

    void apply(PerformancePreset preset)
    {
        ASSERT_TRUE(runTask(manager.applyPreset(preset)));
        EXPECT_FALSE(manager.isExecuting());
    }

    FakeSleepInhibitor inhibitor;
    FakeTerminalLauncher terminal;
    FakePowerSource power;
    FakeRunningApplications applications;
    PresetManager manager{{&inhibitor, &terminal, &power, &applications}};
    QStringList statuses;
};

TEST_F(PresetManagerTest, StartsOnVanillaAndAnnouncesEveryAssignmentThenRereadsTheBattery)
{
    EXPECT_EQ(manager.currentStatus(), QStringLiteral("Idle"));
    EXPECT_EQ(manager.batteryStatus(), QStringLiteral("100%")); // no battery, read at creation

    int presetAnnouncements = 0;
    QObject::connect(&manager, &PresetManager::activePresetChanged, [&] { ++presetAnnouncements; });
    power.value = BatteryInfo{87};
    apply(PerformancePreset::vanillaMac); // equal to the initial preset, still announced
    EXPECT_EQ(presetAnnouncements, 1);
    EXPECT_EQ(statuses, QStringList({QStringLiteral("Initializing Vanilla Mac..."),
                                     QStringLiteral("Restoring macOS defaults..."),
                                     QStringLiteral("Vanilla Mac") + kDash
                                         + QStringLiteral("all overrides released, macOS defaults restored")}));
    EXPECT_EQ(manager.batteryStatus(), QStringLiteral("87%"));
}

TEST_F(PresetManagerTest, LocalTrainingTwiceReleasesTheFirstBeforeTakingTheSecond)
{
    apply(PerformancePreset::localTraining);
    apply(PerformancePreset::localTraining);
    EXPECT_EQ(inhibitor.acquired, QStringList({kTraining, kTraining}));
    EXPECT_EQ(inhibitor.released, QList<quint32>{1});
    EXPECT_EQ(inhibitor.held, QSet<quint32>{2});
    EXPECT_EQ(manager.sleepAssertionID(), 2u);
    EXPECT_EQ(manager.currentStatus(),
              QStringLiteral("Local Training active") + kDash + QStringLiteral("system will not sleep during builds"));
}

TEST_F(PresetManagerTest, InferenceAndEcoKeepTheAssertionGameAndVanillaRelease)
{
    apply(PerformancePreset::localTraining);
    apply(PerformancePreset::inferenceMax);
    apply(PerformancePreset::ecoDev);
    EXPECT_EQ(manager.activePreset(), PerformancePreset::ecoDev);
    EXPECT_EQ(inhibitor.held, QSet<quint32>{1});
    EXPECT_EQ(manager.sleepAssertionID(), 1u);

    apply(PerformancePreset::compileMax);
    EXPECT_EQ(inhibitor.held, QSet<quint32>{2});
    EXPECT_EQ(manager.currentStatus(), QStringLiteral("Compile Max active") + kDash
                                           + QStringLiteral("sleep prevented. Opening developer advisory..."));
    apply(PerformancePreset::vanillaMac);
    EXPECT_TRUE(inhibitor.held.isEmpty());
    EXPECT_EQ(manager.sleepAssertionID(), 0u);

    apply(PerformancePreset::creativeMax);
    apply(PerformancePreset::gameMode);
    EXPECT_TRUE(inhibitor.held.isEmpty());
    EXPECT_EQ(manager.currentStatus(), QStringLiteral("Game Mode active") + kDash + QStringLiteral("system RAM optimized"));
    EXPECT_EQ(terminal.lines.size(), 3); // developer, creative, game
}

TEST_F(PresetManagerTest, AnAssertionThatCannotBeTakenIsReportedAndNotHeld)
{
    apply(PerformancePreset::localTraining);
    inhibitor.refuse = true;

    apply(PerformancePreset::compileMax);
    EXPECT_EQ(inhibitor.released, QList<quint32>{1}); // the old one went first
    EXPECT_EQ(manager.sleepAssertionID(), 0u);
    EXPECT_EQ(manager.currentStatus(),
              QStringLiteral("Compile Max active (sleep assertion unavailable). Opening developer advisory..."));
    EXPECT_EQ(terminal.lines.size(), 1); // the advisory still opens

    apply(PerformancePreset::creativeMax);
    EXPECT_EQ(manager.currentStatus(), QStringLiteral("Creative Max active (sleep assertion unavailable)"));
    apply(PerformancePreset::localTraining);
    EXPECT_EQ(manager.currentStatus(), QStringLiteral("Local Training active (sleep assertion unavailable)"));
    EXPECT_EQ(manager.sleepAssertionID(), 0u);
    EXPECT_TRUE(inhibitor.held.isEmpty());
}

TEST_F(PresetManagerTest, EcoDevNamesTheKeywordsFoundAndPrintsTheirAdvisory)
{
    applications.running = {QStringLiteral("bash"), QStringLiteral("Code")};
    apply(PerformancePreset::ecoDev);
    EXPECT_EQ(manager.currentStatus(), QStringLiteral("No active AI daemons detected"));
    EXPECT_TRUE(terminal.lines.isEmpty());

    applications.running = {QStringLiteral("Ollama"), QStringLiteral("bash"), QStringLiteral("Python")};
    apply(PerformancePreset::ecoDev);
    EXPECT_EQ(manager.currentStatus(),
              QStringLiteral("Found: ollama, llama, python") + kDash + QStringLiteral("opening Terminal advisory..."));
    ASSERT_EQ(terminal.lines.size(), 1);
    EXPECT_EQ(terminal.lines.first(),
              QStringList({QStringLiteral("--- Kestrova Eco Dev Advisory ---"), QString(),
                           QStringLiteral("PAUSE AI processes (ollama|llama|python):"),
                           QStringLiteral("  pgrep -f \"ollama|llama|python\" | xargs kill -STOP"), QString(),
                           QStringLiteral("RESUME later:"),
                           QStringLiteral("  pgrep -f \"ollama|llama|python\" | xargs kill -CONT")}));
}

TEST_F(PresetManagerTest, RequestsMadeWhileOneWaitsRunAfterItInOrder)
{
    auto training = manager.applyPreset(PerformancePreset::localTraining);
    auto vanilla = manager.applyPreset(PerformancePreset::vanillaMac);
    EXPECT_TRUE(manager.isExecuting()); // waiting for the inhibitor's answer
    EXPECT_EQ(manager.activePreset(), PerformancePreset::localTraining);
    ASSERT_TRUE(runTask(std::move(training)));
    ASSERT_TRUE(runTask(std::move(vanilla)));

    EXPECT_FALSE(manager.isExecuting());
    EXPECT_EQ(manager.activePreset(), PerformancePreset::vanillaMac);
    EXPECT_TRUE(inhibitor.held.isEmpty());
    const qsizetype trainingDone = statuses.indexOf(QStringLiteral("Local Training active") + kDash
                                                    + QStringLiteral("system will not sleep during builds"));
    ASSERT_GE(trainingDone, 0);
    EXPECT_EQ(statuses.value(trainingDone + 1), QStringLiteral("Initializing Vanilla Mac..."));
}

// With no terminal emulator to be found the status says so on one line, with the commands to run by hand.
TEST_F(PresetManagerTest, WithoutATerminalEachAdvisorySaysNoneOpenedAndNamesTheCommands)
{
    QTemporaryDir emptyFolder;
    TerminalEmulatorLauncher none(CommandRunner::system(), emptyFolder.path());
    PresetManager bare{{&inhibitor, &none, &power, &applications}};
    applications.running = {QStringLiteral("ollama")};
    const std::pair<PerformancePreset, const char*> cases[] = {
        {PerformancePreset::compileMax, "Compile Max active \u2014 sleep prevented"},
        {PerformancePreset::ecoDev, "Found: ollama, llama"},
    };
    for (const auto& [preset, active] : cases) {
        ASSERT_TRUE(runTask(bare.applyPreset(preset)));
        const QRegularExpression byHand(QRegularExpression::anchoredPattern(
            QRegularExpression::escape(QString::fromUtf8(active))
            + QStringLiteral("\\. No terminal could be opened; run by hand: "
                             "pgrep -f (\"[a-z|-]+\") \\| xargs kill -STOP \\(to resume: pgrep -f \\1 \\| xargs kill -CONT\\)")));
        EXPECT_TRUE(byHand.match(bare.currentStatus()).hasMatch()) << bare.currentStatus().toStdString();
    }
    EXPECT_EQ(bare.activePreset(), PerformancePreset::ecoDev); // the preset still took effect
}

} // namespace
