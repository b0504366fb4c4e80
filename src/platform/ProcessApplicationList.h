#pragma once

#include "platform/RunningApplications.h"

#include <QString>

#include <sys/types.h>
#include <unistd.h>

// RunningApplications read from the process table: every process of one
// user that was started with a command line (kernel threads and zombies
// have none), named by its executable's base name and its short name.
class ProcessApplicationList final : public RunningApplications {
public:
    explicit ProcessApplicationList(QString procRoot = QStringLiteral("/proc"), uid_t uid = ::getuid());

    // Reads the table afresh on every call; nothing is kept open in between.
    QStringList names() override;

private:
    QString m_procRoot;
    uid_t m_uid;
};
