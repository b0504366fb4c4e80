#pragma once

#include "support/ProcTreeBuilder.h"

#include <QHash>

// A fixture /proc tree of processes with given CPU loads. At the start
// (uptime 10000 s) each process has lived 9000 s, so a share of p percent is
// p × 9000 ticks; runTwoSeconds() moves time on with fresh loads.
class LoadedProcTree {
public:
    QString root() const { return m_tree.root(); }

    void add(qint32 pid, double percent, const QByteArray& exe, const QByteArray& name = {},
             quint64 startTime = 100000)
    {
        ProcTreeBuilder::Process p;
        p.pid = pid;
        p.exe = exe;
        p.name = name.isEmpty() ? exe.mid(exe.lastIndexOf('/') + 1).left(15) : name;
        p.arguments = {exe};
        p.utime = quint64(percent * 9000.0 + 0.5);
        p.startTime = startTime;
        m_tree.write(p);
        m_written.insert(pid, p);
    }
    void remove(qint32 pid)
    {
        m_tree.remove(pid);
        m_written.remove(pid);
    }

    // Two seconds pass in which each listed process uses the given share of
    // a core; every other process uses none.
    void runTwoSeconds(const QHash<qint32, double>& shares)
    {
        m_uptime += 2.0;
        m_tree.setUptime(m_uptime);
        for (auto it = shares.cbegin(); it != shares.cend(); ++it) {
            auto p = m_written.find(it.key());
            if (p == m_written.end())
                continue;
            p->utime += quint64(it.value() * 2.0 + 0.5); // 100 ticks a second
            m_tree.write(*p);
        }
    }

private:
    ProcTreeBuilder m_tree;
    QHash<qint32, ProcTreeBuilder::Process> m_written;
    double m_uptime = 10000.0;
};
