#pragma once

#include "core/WaitAbandoned.h"

#include <algorithm>
#include <coroutine>
#include <memory>
#include <utility>
#include <vector>

// The open waits of one source of wake-ups (a timer scheduler, a test clock).
// A coroutine co_awaits a Wait until finish() resumes it. When the source
// goes away, abandonAll() ends every open wait with WaitAbandoned, so no
// coroutine is left suspended with nothing to wake it (an unreachable frame).
class PendingWaits {
    struct State {
        std::coroutine_handle<> waiting;
        bool ended = false;
        bool abandoned = false;
        void end(bool abandon)
        {
            if (ended)
                return;
            ended = true;
            abandoned = abandon;
            if (waiting)
                std::exchange(waiting, nullptr).resume();
        }
    };

public:
    // A handle on one wait; copies share it.
    class Wait {
    public:
        bool await_ready() const noexcept { return m_state->ended; }
        void await_suspend(std::coroutine_handle<> waiting) const noexcept { m_state->waiting = waiting; }
        void await_resume() const
        {
            if (m_state->abandoned)
                throw WaitAbandoned{};
        }

        // Ends the wait: a suspended coroutine resumes inside this call.
        void finish() const { m_state->end(false); }
        void abandon() const { m_state->end(true); }

    private:
        friend class PendingWaits;
        explicit Wait(std::shared_ptr<State> state) : m_state(std::move(state)) {}
        std::shared_ptr<State> m_state;
    };

    PendingWaits() = default;
    PendingWaits(const PendingWaits&) = delete;
    PendingWaits& operator=(const PendingWaits&) = delete;
    ~PendingWaits() { abandonAll(); }

    Wait open()
    {
        std::erase_if(m_open, [](const std::weak_ptr<State>& w) { return isClosed(w); });
        auto state = std::make_shared<State>();
        m_open.push_back(state);
        return Wait(std::move(state));
    }

    // Abandons every wait still open, those opened meanwhile too (each
    // resume may open or end others).
    void abandonAll()
    {
        while (!m_open.empty()) {
            const std::shared_ptr<State> state = m_open.back().lock();
            m_open.pop_back();
            if (state)
                state->end(true);
        }
    }

    int openCount() const
    {
        return int(std::count_if(m_open.begin(), m_open.end(), [](const auto& w) { return !isClosed(w); }));
    }

private:
    static bool isClosed(const std::weak_ptr<State>& w)
    {
        const std::shared_ptr<State> state = w.lock();
        return !state || state->ended;
    }

    std::vector<std::weak_ptr<State>> m_open;
};
