#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// A `sleep` child of our own, killed at the end of the test: the only kind
// of process tests may signal. Given a name, it runs a copy of sleep under
// that name, so the kernel's process name (comm) is that name. Given a
// program and arguments, it runs that instead (a busy loop, say).
struct SleepChild {
    QTemporaryDir copyDir;
    QProcess process;
    explicit SleepChild(const QString& name = {})
    {
        QString program = QStringLiteral("/bin/sleep");
        if (!name.isEmpty() && QFile::copy(program, copyDir.filePath(name)))
            program = copyDir.filePath(name);
        start(program, {QStringLiteral("60")});
    }
    SleepChild(const QString& program, const QStringList& arguments) { start(program, arguments); }
    void start(const QString& program, const QStringList& arguments)
    {
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(program, arguments);
        process.waitForStarted();
    }
    ~SleepChild() { end(); }
    void end()
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
    // The state letter of /proc/PID/stat: 'S' sleeping, 'T' stopped.
    char state() const
    {
        const QByteArray line = stat();
        const qsizetype close = line.lastIndexOf(')');
        return close < 0 || close + 2 >= line.size() ? '?' : line.at(close + 2);
    }
};
