#include "platform/ProcessApplicationList.h"

#include "platform/ProcessTable.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

ProcessApplicationList::ProcessApplicationList(QString procRoot, uid_t uid)
    : m_procRoot(std::move(procRoot)), m_uid(uid)
{
}

QStringList ProcessApplicationList::names()
{
    // Asked for on a click, not on a timer: a table that keeps no
    // descriptors open is cheap enough and holds nothing afterwards.
    ProcessTable table(m_procRoot, 0);
    if (!table.refresh())
        return {};
    QStringList names;
    for (const ProcessEntry& entry : table.processes()) {
        if (entry.arguments.isEmpty())
            continue;
        // /proc/PID belongs to the process's effective user.
        struct stat info {};
        const QByteArray dir = QFile::encodeName(m_procRoot + QLatin1Char('/') + QString::number(entry.pid));
        if (::stat(dir.constData(), &info) != 0 || info.st_uid != m_uid)
            continue;
        names.append(QFileInfo(entry.commandPath).fileName());
        names.append(entry.name);
    }
    return names;
}
