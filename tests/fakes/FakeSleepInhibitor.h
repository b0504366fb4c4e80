#pragma once

#include "platform/IdleSleepInhibitor.h"

#include <QCoroTimer>
#include <QList>
#include <QSet>

#include <chrono>

// Hands out ids 1, 2, 3, ... and records which are held. `refuse` makes
// acquire() fail; `answerLater` makes it answer from the event loop, the way
// a bus call does.
class FakeSleepInhibitor final : public IdleSleepInhibitor {
public:
    QCoro::Task<quint32> acquire(QString why) override
    {
        if (answerLater)
            co_await QCoro::sleepFor(std::chrono::milliseconds(1));
        acquired.append(why);
        if (refuse)
            co_return 0u;
        const quint32 id = ++m_lastId;
        held.insert(id);
        co_return id;
    }
    void release(quint32 id) override
    {
        released.append(id);
        held.remove(id);
    }

    bool refuse = false;
    bool answerLater = false;
    QStringList acquired;
    QList<quint32> released;
    QSet<quint32> held;

private:
    quint32 m_lastId = 0;
};
