#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>

// A `sleep` child of our own, killed at the end of the test: the only kind
// of process tests may signal.
struct SleepChild {
    QProcess process;
    SleepChild()
    {
        process.start(QStringLiteral("/bin/sleep"), {QStringLiteral("30")});
        process.waitForStarted();
    }
    ~SleepChild()
    {
        process.kill();
        process.waitForFinished();
    }
    qint32 pid() const { return qint32(process.processId()); }
    // The event loop may already have seen it end, so ask the state.
    bool alive()
    {
        process.waitForFinished(100);
        return process.state() != QProcess::NotRunning;
    }
    QByteArray stat() const
    {
        QFile file(QStringLiteral("/proc/%1/stat").arg(pid()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};
