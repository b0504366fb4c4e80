#pragma once

#include "platform/ProcessEntry.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

// Reads every process from a /proc tree. Each refresh measures CPU use over
// the interval since the previous refresh, keyed by pid and start time.
//
// Cheap to repeat: the /proc/PID/stat descriptors stay open between
// refreshes and are re-read with pread at offset 0 (about 2.5 times faster
// than re-opening them), up to a bounded number of descriptors; the fixed
// data of a process (executable path, command line) is read once per pid,
// start time and short name. A kept descriptor fails with ESRCH once its
// process is gone, so a reused pid is never misread as the old process.
//
// Not thread-safe; each user keeps its own table, because the CPU interval
// runs from that user's previous refresh.
class ProcessTable {
public:
    explicit ProcessTable(QString procRoot = QStringLiteral("/proc"),
                          int descriptorBudget = defaultDescriptorBudget());
    ~ProcessTable();
    ProcessTable(const ProcessTable&) = delete;
    ProcessTable& operator=(const ProcessTable&) = delete;

    // Reads the table again. False (with errorString() set) when the tree
    // cannot be read at all; the previous processes() then stay as they were.
    bool refresh();

    // The processes of the last successful refresh, in pid order.
    const QList<ProcessEntry>& processes() const { return m_entries; }
    QString errorString() const { return m_error; }
    const QString& procRoot() const { return m_procRoot; }
    // How many /proc/PID/stat descriptors are held open right now.
    int keptDescriptors() const { return m_kept; }

    // Half the soft limit of open files, at most 4096, so the rest of the
    // application always has room.
    static int defaultDescriptorBudget();

private:
    struct Tracked {
        int fd = -1;
        quint64 startTime = 0;
        quint64 cpuTicks = 0;
        double sampledAt = 0.0; // uptime in seconds at the last read
        double cpuPercent = 0.0;
        quint32 generation = 0;
        QByteArray rawName;
        QString name;
        QString commandPath;
        QStringList arguments;
    };

    bool openRoot();
    bool readUptime(double& seconds);
    qsizetype readStat(qint32 pid, Tracked* tracked, char* buffer, qsizetype size, int& keptFd);
    void readFixedData(qint32 pid, Tracked& tracked) const;
    void closeDescriptor(Tracked& tracked);

    QString m_procRoot;
    int m_budget;
    int m_rootFd = -1;
    int m_uptimeFd = -1;
    int m_kept = 0;
    quint32 m_generation = 0;
    long m_ticksPerSecond;
    QHash<qint32, Tracked> m_tracked;
    QList<ProcessEntry> m_entries;
    QString m_error;
};
