#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>

// Writes a /proc-like tree into a temp folder: uptime plus, per process,
// stat, comm, cmdline and an exe link. Files are rewritten in place, so a
// reader that keeps its descriptors open sees the new contents.
class ProcTreeBuilder {
public:
    struct Process {
        qint32 pid = 0;
        QByteArray name;             // the short name inside the parentheses
        char state = 'S';
        qint32 parentPid = 1;
        quint64 utime = 0;           // clock ticks
        quint64 stime = 0;
        quint64 startTime = 0;       // clock ticks since boot
        QByteArray exe;              // link target; empty: no link (unreadable)
        QList<QByteArray> arguments; // written NUL-separated
    };

    ProcTreeBuilder();
    QString root() const { return m_dir.path(); }

    void setUptime(double seconds);
    void write(const Process& process);
    void remove(qint32 pid);

    static QByteArray statLine(const Process& process);

private:
    QTemporaryDir m_dir;
};
