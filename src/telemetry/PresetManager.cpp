#include "telemetry/PresetManager.h"

#include "platform/IdleSleepInhibitor.h"
#include "platform/PowerSource.h"
#include "platform/RunningApplications.h"
#include "platform/TerminalLauncher.h"
#include "telemetry/TerminalAdvisory.h"

#include <QPointer>

#include <algorithm>

namespace {

const QString kDeveloperPattern = QStringLiteral("ollama|llama|python|localai|postgres|mysql|redis-server|docker|colima");
const QString kCreativePattern =
    QStringLiteral("ollama|llama|python|localai|postgres|mysql|redis-server|docker|colima|swiftc|clang|rustc");
const QString kGamePattern = QStringLiteral(
    "ollama|llama|python|localai|postgres|mysql|redis-server|docker|colima|swiftc|clang|rustc|cargo|go|javac|node|bun");
const QString kResumeWhenDone = QStringLiteral("RESUME when done:");

// False when no terminal could be started: the caller's status then says so
// rather than announce a window that never opens.
bool openAdvisory(TerminalLauncher& terminal, const QString& header, const QString& pauseHeading,
                  const QString& pattern, const QString& resumeHeading)
{
    return terminal.open(TerminalAdvisory::lines(header, pauseHeading, pattern, resumeHeading));
}

// The status of a preset whose advisory found no terminal.
QString withoutTerminal(const QString& status, const QString& pattern)
{
    return status + QLatin1Char(' ') + TerminalAdvisory::byHand(pattern);
}

} // namespace

PresetManager::PresetManager(Deps deps, QObject* parent) : ObservableObject(parent), m_deps(deps)
{
    Q_ASSERT(m_deps.inhibitor && m_deps.terminal && m_deps.power && m_deps.applications);
    updateBatteryStatus();
}

PresetManager::~PresetManager() = default;

QCoro::Task<> PresetManager::applyPreset(PerformancePreset preset)
{
    QPointer<PresetManager> self(this);
    auto entry = m_gate.enter();
    auto turn = co_await entry;
    if (!self)
        co_return;

    setIsExecuting(true);
    setActivePreset(preset);
    setCurrentStatus(QStringLiteral("Initializing ") + preset.rawValue() + QStringLiteral("..."));
    switch (PerformancePreset::Case(preset)) {
    case PerformancePreset::inferenceMax:
        applyInferenceMax();
        break;
    case PerformancePreset::localTraining: {
        auto step = applyLocalTraining();
        co_await step;
        break;
    }
    case PerformancePreset::compileMax: {
        auto step = applyCompileMax();
        co_await step;
        break;
    }
    case PerformancePreset::creativeMax: {
        auto step = applyCreativeMax();
        co_await step;
        break;
    }
    case PerformancePreset::gameMode:
        applyGameMode();
        break;
    case PerformancePreset::ecoDev:
        applyEcoDev();
        break;
    case PerformancePreset::vanillaMac:
        applyVanillaMac();
        break;
    }
    if (!self)
        co_return;
    setIsExecuting(false);
    updateBatteryStatus();
}

void PresetManager::updateBatteryStatus()
{
    const auto battery = m_deps.power->battery();
    setBatteryStatus(QString::number(battery ? battery->percentage : 100) + QLatin1Char('%'));
}

void PresetManager::applyInferenceMax()
{
    setCurrentStatus(QStringLiteral("Reclaiming inactive memory caches..."));
    setCurrentStatus(QStringLiteral("Inference Max active — memory pressure applied"));
}

QCoro::Task<> PresetManager::applyLocalTraining()
{
    QPointer<PresetManager> self(this);
    setCurrentStatus(QStringLiteral("Preventing system idle sleep..."));
    releaseAssertion();
    auto taking = takeAssertion(QStringLiteral("Kestrova: Local Training Mode active"));
    const bool taken = co_await taking;
    if (!self)
        co_return;
    setCurrentStatus(taken ? QStringLiteral("Local Training active — system will not sleep during builds")
                           : QStringLiteral("Local Training active (sleep assertion unavailable)"));
}

QCoro::Task<> PresetManager::applyCompileMax()
{
    QPointer<PresetManager> self(this);
    setCurrentStatus(QStringLiteral("Initializing Compile Max mode..."));
    releaseAssertion();
    // The status waits for the answer so that it never claims an inhibitor
    // that could not be taken.
    auto taking = takeAssertion(QStringLiteral("Kestrova: Compile Max active"));
    const bool taken = co_await taking;
    if (!self)
        co_return;
    const QString active = taken ? QStringLiteral("Compile Max active — sleep prevented.")
                                 : QStringLiteral("Compile Max active (sleep assertion unavailable).");
    setCurrentStatus(active + QStringLiteral(" Opening developer advisory..."));
    if (!openDeveloperAdvisory())
        setCurrentStatus(withoutTerminal(active, kDeveloperPattern));
}

QCoro::Task<> PresetManager::applyCreativeMax()
{
    QPointer<PresetManager> self(this);
    setCurrentStatus(QStringLiteral("Initializing Creative Max mode..."));
    releaseAssertion();
    auto taking = takeAssertion(QStringLiteral("Kestrova: Creative Max active"));
    const bool taken = co_await taking;
    if (!self)
        co_return;
    const bool opened = openCreativeAdvisory();
    const QString active = taken ? QStringLiteral("Creative Max active — VRAM flushed, sleep assertion active")
                                 : QStringLiteral("Creative Max active (sleep assertion unavailable)");
    setCurrentStatus(opened ? active : withoutTerminal(active + QLatin1Char('.'), kCreativePattern));
}

void PresetManager::applyGameMode()
{
    setCurrentStatus(QStringLiteral("Initializing Game Mode..."));
    releaseAssertion();
    const bool opened = openGamerAdvisory();
    const QString active = QStringLiteral("Game Mode active — system RAM optimized");
    setCurrentStatus(opened ? active : withoutTerminal(active + QLatin1Char('.'), kGamePattern));
}

void PresetManager::applyEcoDev()
{
    setCurrentStatus(QStringLiteral("Detecting background AI and database processes..."));
    const QStringList keywords = detectRunningAIProcessNames();
    if (keywords.isEmpty()) {
        setCurrentStatus(QStringLiteral("No active AI daemons detected"));
        return;
    }
    const QString found = QStringLiteral("Found: ") + keywords.join(QStringLiteral(", "));
    setCurrentStatus(found + QStringLiteral(" — opening Terminal advisory..."));
    if (!openTerminalAdvisory(keywords))
        setCurrentStatus(withoutTerminal(found + QLatin1Char('.'), keywords.join(QLatin1Char('|'))));
}

void PresetManager::applyVanillaMac()
{
    setCurrentStatus(QStringLiteral("Restoring macOS defaults..."));
    releaseAssertion();
    setCurrentStatus(QStringLiteral("Vanilla Mac — all overrides released, macOS defaults restored"));
}

void PresetManager::releaseAssertion()
{
    if (m_sleepAssertionID == 0)
        return;
    m_deps.inhibitor->release(m_sleepAssertionID);
    m_sleepAssertionID = 0;
}

QCoro::Task<bool> PresetManager::takeAssertion(QString name)
{
    QPointer<PresetManager> self(this);
    IdleSleepInhibitor* inhibitor = m_deps.inhibitor;
    auto acquiring = inhibitor->acquire(std::move(name));
    const quint32 id = co_await acquiring;
    if (!self) {
        // Nobody is left to release it later.
        if (id != 0)
            inhibitor->release(id);
        co_return false;
    }
    m_sleepAssertionID = id;
    co_return id != 0;
}

bool PresetManager::openDeveloperAdvisory()
{
    return openAdvisory(*m_deps.terminal, QStringLiteral("--- Kestrova Compile Max Developer Advisory ---"),
                        QStringLiteral("PAUSE Docker, AI & Database Daemons to free CPU execution units:"),
                        kDeveloperPattern, kResumeWhenDone);
}

bool PresetManager::openCreativeAdvisory()
{
    return openAdvisory(*m_deps.terminal, QStringLiteral("--- Kestrova Creative Max Advisor ---"),
                        QStringLiteral("PAUSE backend compilers and Docker engines to free GPU/CPU execution units:"),
                        kCreativePattern, kResumeWhenDone);
}

bool PresetManager::openGamerAdvisory()
{
    return openAdvisory(*m_deps.terminal, QStringLiteral("--- Kestrova Game Mode Advisor ---"),
                        QStringLiteral("PAUSE dev tools, databases, and AI servers to maximize gaming FPS:"),
                        kGamePattern, kResumeWhenDone);
}

bool PresetManager::openTerminalAdvisory(const QStringList& keywords)
{
    const QString pattern = keywords.join(QLatin1Char('|'));
    return openAdvisory(*m_deps.terminal, QStringLiteral("--- Kestrova Eco Dev Advisory ---"),
                        QStringLiteral("PAUSE AI processes (") + pattern + QStringLiteral("):"), pattern,
                        QStringLiteral("RESUME later:"));
}

QStringList PresetManager::detectRunningAIProcessNames()
{
    static const QStringList keywords{QStringLiteral("ollama"),  QStringLiteral("llama"),
                                      QStringLiteral("lm studio"), QStringLiteral("python3"),
                                      QStringLiteral("python"),  QStringLiteral("localai")};
    QStringList names = m_deps.applications->names();
    for (QString& name : names)
        name = name.toLower();
    QStringList found;
    for (const QString& keyword : keywords) {
        const bool running = std::any_of(names.cbegin(), names.cend(),
                                         [&](const QString& name) { return name.contains(keyword); });
        if (running)
            found.append(keyword);
    }
    return found;
}
