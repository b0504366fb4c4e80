#pragma once

#include "core/WaitAbandoned.h"

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
// A hand-off the event loop never delivers (the application is gone) ends
// that waiter, and every one behind it, with WaitAbandoned, so no coroutine
// is left suspended with nothing to wake it.
class SerialGate {
    struct Waiter {
        std::coroutine_handle<> handle;
        bool abandoned = false;
    };
    struct State {
        bool busy = false;
        std::deque<std::shared_ptr<Waiter>> waiters;

        void abandonAll()
        {
            while (!waiters.empty()) {
                const std::shared_ptr<Waiter> waiter = waiters.front();
                waiters.pop_front();
                waiter->abandoned = true;
                waiter->handle.resume();
            }
        }
    };
    // Resumes its waiter when the event loop calls it; destroyed uncalled
    // (the posted call was dropped), it abandons it and those behind it.
    class Handoff {
    public:
        Handoff(std::shared_ptr<State> state, std::shared_ptr<Waiter> waiter)
            : m_state(std::move(state)), m_waiter(std::move(waiter))
        {
        }
        Handoff(const Handoff&) = delete;
        Handoff& operator=(const Handoff&) = delete;
        ~Handoff()
        {
            if (m_resumed)
                return;
            m_waiter->abandoned = true;
            m_waiter->handle.resume();
            m_state->abandonAll();
        }
        void resume()
        {
            m_resumed = true;
            m_waiter->handle.resume();
        }

    private:
        std::shared_ptr<State> m_state;
        std::shared_ptr<Waiter> m_waiter;
        bool m_resumed = false;
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
            auto handoff = std::make_shared<Handoff>(state, state->waiters.front());
            state->waiters.pop_front();
            QCoreApplication* app = QCoreApplication::instance();
            // With no application to deliver it, it is abandoned here.
            if (app)
                QMetaObject::invokeMethod(app, [handoff] { handoff->resume(); }, Qt::QueuedConnection);
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
        void await_suspend(std::coroutine_handle<> waiting)
        {
            m_waiter = std::make_shared<Waiter>(Waiter{waiting});
            m_state->waiters.push_back(m_waiter);
        }
        Turn await_resume()
        {
            if (m_waiter && m_waiter->abandoned)
                throw WaitAbandoned{};
            return Turn(m_state);
        }

    private:
        std::shared_ptr<State> m_state;
        std::shared_ptr<Waiter> m_waiter;
    };

    Awaiter enter() { return Awaiter(m_state); }

    // Whether a turn is held (then later entrants wait).
    bool isBusy() const { return m_state->busy; }
    int waitingCount() const { return int(m_state->waiters.size()); }

private:
    std::shared_ptr<State> m_state = std::make_shared<State>();
};
