#pragma once

#include <QCoroTask>
#include <QString>

// Keeps the machine from going to sleep while the user is idle. Each
// acquire() takes one inhibitor that lasts until release() with its id.
class IdleSleepInhibitor {
public:
    virtual ~IdleSleepInhibitor() = default;

    // Takes an inhibitor described by `why`. Returns its id, never 0, or 0
    // when it could not be taken.
    virtual QCoro::Task<quint32> acquire(QString why) = 0;
    // Lets go of the inhibitor with this id; unknown ids are ignored.
    virtual void release(quint32 id) = 0;
};
