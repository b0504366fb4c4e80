#pragma once

#include <QCoroTask>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>

// Turns the event loop once, sleeping until an event arrives (a 10 ms
// heartbeat bounds the sleep) instead of spinning.
inline void turnEventLoop()
{
    QTimer heartbeat;
    heartbeat.setSingleShot(true);
    heartbeat.start(10);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

namespace detail {

// The outcome lives on the heap and the coroutine holds it by value, so a
// task that outlives a timed-out wait writes into live memory, not into the
// test's finished stack frame.
template <typename T>
struct TaskOutcome {
    std::optional<T> result;
    bool done = false;
};

template <typename T>
QCoro::Task<> completeInto(QCoro::Task<T> task, std::shared_ptr<TaskOutcome<T>> outcome)
{
    outcome->result = co_await std::move(task);
    outcome->done = true;
}

inline QCoro::Task<> completeInto(QCoro::Task<> task, std::shared_ptr<TaskOutcome<bool>> outcome)
{
    co_await std::move(task);
    outcome->result = true;
    outcome->done = true;
}

} // namespace detail

// Runs a task to its end from a test, turning the event loop meanwhile.
// Returns nullopt (and fails the wait) if it has not finished in time.
template <typename T>
std::optional<T> runTask(QCoro::Task<T> task, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    auto outcome = std::make_shared<detail::TaskOutcome<T>>();
    auto running = detail::completeInto(std::move(task), outcome);
    QElapsedTimer clock;
    clock.start();
    while (!outcome->done && clock.elapsed() < limit.count())
        turnEventLoop();
    return outcome->result;
}

inline bool runTask(QCoro::Task<> task, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    auto outcome = std::make_shared<detail::TaskOutcome<bool>>();
    auto running = detail::completeInto(std::move(task), outcome);
    QElapsedTimer clock;
    clock.start();
    while (!outcome->done && clock.elapsed() < limit.count())
        turnEventLoop();
    return outcome->done;
}

// Turns the event loop until the predicate holds or the limit passes.
template <typename Predicate>
bool waitUntil(Predicate predicate, std::chrono::milliseconds limit = std::chrono::seconds(5))
{
    QElapsedTimer clock;
    clock.start();
    while (!predicate()) {
        if (clock.elapsed() >= limit.count())
            return false;
        turnEventLoop();
    }
    return true;
}
