#pragma once

#include "core/ProcessStartTime.h"
#include "platform/HoldRecord.h"
#include "support/SleepChild.h"

#include <QFile>
#include <QTemporaryDir>

// The hold record of a made-up run (pid 4242, start time 99) in a folder of
// its own, and the runs that tests note down or find records of.
struct ScratchHoldRecord {
    QTemporaryDir folder;
    HoldRecord record{{folder.path()}, ProcessRun{4242, 99}};

    // The record as it is on disk; empty while there is none.
    QByteArray text() const { return textOf(folder.filePath(QStringLiteral("kestrova-held-4242-99"))); }
    static QByteArray textOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // A live process as a record names it.
    static ProcessRun identityOf(qint32 pid) { return {pid, readProcessStartTime(pid).value_or(0)}; }
    // A run that is gone: a child that ran and was reaped.
    static ProcessRun goneRun()
    {
        SleepChild run;
        const ProcessRun gone = identityOf(run.pid());
        run.end();
        return gone;
    }
};
