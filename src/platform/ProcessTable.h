#pragma once

#include "platform/DescriptorBudget.h"
#include "platform/ProcessEntry.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <dirent.h>

// Reads every process from a /proc tree. Each refresh measures CPU use over
// the interval since the previous refresh, keyed by pid and start time.
//
// Cheap to repeat: the /proc/PID/stat descriptors stay open between
// refreshes and are re-read with pread at offset 0 (about 2.5 times faster
// than re-opening them), up to a bounded number of descriptors; the fixed
// data of a process (executable path, command line) is read once per pid,
// start time and short name. A kept descriptor fails with ESRCH once its
// process is gone, so a reused pid is never misread as the old process.
// Kept descriptors come out of the process's DescriptorBudget as well.
//
// Running out of descriptors is not a process exit: a process whose file
// cannot be opened for that reason keeps its last figures (one line says
// so), and the folder listing stays open so that a refresh needs no new
// descriptor of its own.
//
// Not thread-safe; each user keeps its own table, because the CPU interval
// runs from that user's previous refresh.
class ProcessTable {
public:
    explicit ProcessTable(QString procRoot = QStringLiteral("/proc"),
                          int descriptorBudget = defaultDescriptorBudget(),
                          DescriptorBudget* shared = &DescriptorBudget::process());
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

    // All of the process's budget, which the other keepers share.
    static int defaultDescriptorBudget();

private:
    struct Tracked {
        int fd = -1;
        qint32 parentPid = 0;
        char state = '?';
        bool fixedDataRead = false;
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
    bool readFixedData(qint32 pid, Tracked& tracked) const;
    void closeDescriptor(Tracked& tracked);
    void noteStarved(bool starved);

    QString m_procRoot;
    int m_budget;
    DescriptorBudget* m_shared;
    bool m_starved = false;
    int m_rootFd = -1;
    DIR* m_listing = nullptr;
    int m_uptimeFd = -1;
    int m_kept = 0;
    quint32 m_generation = 0;
    long m_ticksPerSecond;
    QHash<qint32, Tracked> m_tracked;
    QList<ProcessEntry> m_entries;
    QString m_error;
};
