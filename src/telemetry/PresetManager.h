#pragma once

#include "core/ObservableObject.h"
#include "core/SerialGate.h"
#include "telemetry/PerformancePreset.h"

#include <QCoroTask>
#include <QString>
#include <QStringList>

class IdleSleepInhibitor;
class PowerSource;
class RunningApplications;
class TerminalLauncher;

// Applies the performance presets: records the active one, holds at most one
// idle-sleep inhibitor for the presets that keep the machine awake, opens
// terminal advisories that print pause/resume commands for the user to run
// (nothing here pauses or kills a process), and shows a status line and a
// battery line. Every property assignment is announced, equal or not.
class PresetManager final : public ObservableObject {
    Q_OBJECT
    Q_PROPERTY(PerformancePreset activePreset READ activePreset NOTIFY activePresetChanged)
    Q_PROPERTY(bool isExecuting READ isExecuting NOTIFY isExecutingChanged)
    Q_PROPERTY(QString currentStatus READ currentStatus NOTIFY currentStatusChanged)
    Q_PROPERTY(QString batteryStatus READ batteryStatus NOTIFY batteryStatusChanged)

public:
    struct Deps {
        IdleSleepInhibitor* inhibitor = nullptr;
        TerminalLauncher* terminal = nullptr;
        PowerSource* power = nullptr;
        RunningApplications* applications = nullptr;
    };

    // The process-wide instance over logind, the installed terminal, the
    // power supplies and the process table.
    static PresetManager& shared();

    // Reads the battery line at once; there are no timers.
    explicit PresetManager(Deps deps, QObject* parent = nullptr);
    ~PresetManager() override;

    PerformancePreset activePreset() const { return m_activePreset; }
    bool isExecuting() const { return m_isExecuting; }
    QString currentStatus() const { return m_currentStatus; }
    QString batteryStatus() const { return m_batteryStatus; }
    // The inhibitor this object holds, 0 when none.
    quint32 sleepAssertionID() const { return m_sleepAssertionID; }

    void setActivePreset(PerformancePreset value) { announce(m_activePreset, value, &PresetManager::activePresetChanged); }
    void setIsExecuting(bool value) { announce(m_isExecuting, value, &PresetManager::isExecutingChanged); }
    void setCurrentStatus(const QString& value) { announce(m_currentStatus, value, &PresetManager::currentStatusChanged); }
    void setBatteryStatus(const QString& value) { announce(m_batteryStatus, value, &PresetManager::batteryStatusChanged); }

    // Applies one preset. Requests run one at a time in the order made; a
    // preset that takes an inhibitor waits for the answer without blocking
    // the event loop, the others finish before returning.
    QCoro::Task<> applyPreset(PerformancePreset preset);
    // The battery's charge as "87%", or "100%" without a battery.
    void updateBatteryStatus();

signals:
    void activePresetChanged();
    void isExecutingChanged();
    void currentStatusChanged();
    void batteryStatusChanged();

private:
    void applyInferenceMax();
    QCoro::Task<> applyLocalTraining();
    QCoro::Task<> applyCompileMax();
    QCoro::Task<> applyCreativeMax();
    void applyGameMode();
    void applyEcoDev();
    void applyVanillaMac();

    void releaseAssertion();
    // True when the inhibitor was taken; it is then the one held.
    QCoro::Task<bool> takeAssertion(QString name);

    // Each false when no terminal could be started.
    bool openDeveloperAdvisory();
    bool openCreativeAdvisory();
    bool openGamerAdvisory();
    bool openTerminalAdvisory(const QStringList& keywords);
    QStringList detectRunningAIProcessNames();

    Deps m_deps;
    SerialGate m_gate;
    PerformancePreset m_activePreset = PerformancePreset::vanillaMac;
    bool m_isExecuting = false;
    QString m_currentStatus = QStringLiteral("Idle");
    QString m_batteryStatus = QStringLiteral("Unknown");
    quint32 m_sleepAssertionID = 0;
};
