#pragma once

#include <QFile>
#include <QProcess>
#include <QStringList>

// A child of our own that keeps several cores busy (a perl script spinning
// in threads), so it ranks among the busiest processes even on a loaded
// machine. Killed at the end of the test.
struct BusyChild {
    QProcess process;
    explicit BusyChild(int threads = 4)
    {
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(QStringLiteral("/usr/bin/perl"),
                      {QStringLiteral("-Mthreads"), QStringLiteral("-e"),
                       QStringLiteral("threads->create(sub { 1 while 1 }) for 2..%1; 1 while 1").arg(threads)});
        process.waitForStarted();
    }
    ~BusyChild()
    {
        process.kill();
        process.waitForFinished();
    }
    bool started() const { return process.state() == QProcess::Running; }
    qint32 pid() const { return qint32(process.processId()); }
    // The kernel's state letter from /proc/PID/stat: R, S, T, ...
    char state() const
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid()));
        if (!stat.open(QIODevice::ReadOnly))
            return '?';
        const QByteArray line = stat.readAll();
        const qsizetype close = line.lastIndexOf(')');
        return close >= 0 && close + 2 < line.size() ? line.at(close + 2) : '?';
    }
};
