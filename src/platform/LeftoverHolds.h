#pragma once

#include "core/ProcessRun.h"
#include "platform/HoldRecord.h"

#include <QList>
#include <QString>
#include <QStringList>

class ProcessSignaller;

// What runs that ended without their quit path (killed, crashed) left held,
// as their records (HoldRecord) say, and giving the processes back.
namespace LeftoverHolds {

struct Record {
    QString path;
    ProcessRun run;
    HoldRecord::Contents contents;
};

// The records in `folder` of runs that are gone (no process runs under the
// pid and start time the record is named after). Only regular files of our
// user, in a folder of ours, not reached through a link and read whole
// within HoldRecord::kMaxBytes count; the others (a live run's, another
// user's, a link, one that cannot be read or parsed) are left as they are.
// The staging files of gone runs' records are removed on the way.
QList<Record> findIn(const QString& folder, const QString& procRoot = QStringLiteral("/proc"));

struct Resumed {
    QList<qint32> pids;    // resumed
    QStringList refusals;  // "PID: reason" for each the kernel refused
};

// SIGCONT to each process that is still the one recorded (same start time)
// and still stopped; nothing to any other.
Resumed resume(const QList<ProcessRun>& processes, ProcessSignaller& signaller,
               const QString& procRoot = QStringLiteral("/proc"));

} // namespace LeftoverHolds
