#pragma once

#include <QCoroTask>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <QTimer>

#include <chrono>
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

// Runs a task to its end from a test, turning the event loop meanwhile.
// Returns nullopt (and fails the wait) if it has not finished in time.
template <typename T>
std::optional<T> runTask(QCoro::Task<T> task, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    std::optional<T> result;
    bool done = false;
    auto wrapper = [&]() -> QCoro::Task<> {
        result = co_await std::move(task);
        done = true;
    };
    auto running = wrapper();
    QElapsedTimer clock;
    clock.start();
    while (!done && clock.elapsed() < limit.count())
        turnEventLoop();
    return result;
}

inline bool runTask(QCoro::Task<> task, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    bool done = false;
    auto wrapper = [&]() -> QCoro::Task<> {
        co_await std::move(task);
        done = true;
    };
    auto running = wrapper();
    QElapsedTimer clock;
    clock.start();
    while (!done && clock.elapsed() < limit.count())
        turnEventLoop();
    return done;
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
