#pragma once

#include "telemetry/TelemetryFigures.h"

#include <QCoroTask>
#include <QString>

#include <functional>

class CommandRunner;
class Scheduler;

// The rule-based co-pilot: turns a process name, a few figures or a typed
// question into a short answer. No model and no network: answers come from
// the manual-page index, a fixed table and fixed sentences with live figures
// inserted. Stateless; every answer begins with a short fixed wait, so the
// views show their progress indicator for a moment.
class AIService {
public:
    // Reads the sampler's current figures; called once per chat answer,
    // after the wait.
    using FiguresSource = std::function<TelemetryFigures()>;

    static AIService& shared();

    AIService(CommandRunner& runner, Scheduler& scheduler);

    // What a process does: the manual-page summary when the index knows the
    // name, else a line from a table of well-known processes, else a generic
    // sentence that quotes the name as given.
    QCoro::Task<QString> explainProcess(QString name);

    // A short health paragraph from the temperature, memory pressure and
    // battery figures (cpu is accepted but not quoted).
    QCoro::Task<QString> generateHealthReport(double cpu, double temp, double memory, int battery);

    // Answers a typed question by keyword rules over its words and text.
    QCoro::Task<QString> chatWithSystem(QString query, FiguresSource stats);

private:
    CommandRunner& m_runner;
    Scheduler& m_scheduler;
};
