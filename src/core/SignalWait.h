#pragma once

#include "core/PendingWaits.h"

#include <QCoroTask>
#include <QObject>

// Waits for `signal` from `sender`. A sender destroyed first can never send
// it, so the wait is abandoned (WaitAbandoned) rather than left suspended.
template <typename Sender, typename Signal>
QCoro::Task<> waitForSignal(Sender* sender, Signal signal)
{
    PendingWaits waits;
    const PendingWaits::Wait wait = waits.open();
    const QMetaObject::Connection sent = QObject::connect(sender, signal, sender, [wait] { wait.finish(); });
    const QMetaObject::Connection gone = QObject::connect(sender, &QObject::destroyed, [wait] { wait.abandon(); });
    co_await wait;
    QObject::disconnect(sent);
    QObject::disconnect(gone);
}
