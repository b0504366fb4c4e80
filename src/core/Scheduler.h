#pragma once

#include <QCoroTask>

#include <chrono>

// Delays inside asynchronous actions ("wait 1.5 seconds, then ..."). Tests
// swap in a scheduler that records the delays and resumes by hand.
class Scheduler {
public:
    virtual ~Scheduler() = default;
    virtual QCoro::Task<> sleepFor(std::chrono::milliseconds delay) = 0;

    static Scheduler& system();
};
