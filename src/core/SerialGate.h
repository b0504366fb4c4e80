#pragma once

#include <QCoreApplication>
#include <QMetaObject>

#include <coroutine>
#include <deque>
#include <memory>
#include <utility>

// One-at-a-time access for main-thread coroutines, in arrival order:
//   auto entry = gate.enter();       // named: g++ 12 destroys awaiter
//   auto turn = co_await entry;      // temporaries of a co_await twice
// suspends until every earlier holder has dropped its Turn. The next waiter is resumed from the event loop, never
// nested inside the coroutine that let go. The shared state outlives the
// gate, so a holder that finishes after its owner is gone still hands on.
class SerialGate {
    struct State {
        bool busy = false;
        std::deque<std::coroutine_handle<>> waiters;
    };

public:
    class Turn {
    public:
        Turn() = default;
        explicit Turn(std::shared_ptr<State> state) : m_state(std::move(state)) {}
        Turn(Turn&& other) noexcept = default;
        Turn& operator=(Turn&& other) noexcept
        {
            if (this != &other) {
                release();
                m_state = std::move(other.m_state);
            }
            return *this;
        }
        Turn(const Turn&) = delete;
        Turn& operator=(const Turn&) = delete;
        ~Turn() { release(); }

    private:
        void release()
        {
            if (!m_state)
                return;
            const std::shared_ptr<State> state = std::exchange(m_state, nullptr);
            if (state->waiters.empty()) {
                state->busy = false;
                return;
            }
            // The turn passes straight to the next waiter; busy stays set.
            const std::coroutine_handle<> next = state->waiters.front();
            state->waiters.pop_front();
            QMetaObject::invokeMethod(QCoreApplication::instance(), [next] { next.resume(); }, Qt::QueuedConnection);
        }

        std::shared_ptr<State> m_state;
    };

    class Awaiter {
    public:
        explicit Awaiter(std::shared_ptr<State> state) : m_state(std::move(state)) {}
        bool await_ready()
        {
            if (m_state->busy)
                return false;
            m_state->busy = true;
            return true;
        }
        void await_suspend(std::coroutine_handle<> waiting) { m_state->waiters.push_back(waiting); }
        Turn await_resume() { return Turn(m_state); }

    private:
        std::shared_ptr<State> m_state;
    };

    Awaiter enter() { return Awaiter(m_state); }

    // Whether a turn is held (then later entrants wait).
    bool isBusy() const { return m_state->busy; }
    int waitingCount() const { return int(m_state->waiters.size()); }

private:
    std::shared_ptr<State> m_state = std::make_shared<State>();
};
