#pragma once

#include "core/OwnedTempDir.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QString>
#include <QStringList>

// What a launched copy left in its folders, as a test looks at it.
namespace LaunchState {

// The pid on the first line of a lock or owner file.
inline qint64 pidIn(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readLine().trimmed().toLongLong() : 0;
}

// The private settings copies in `folders` that `pid` owns (`owned`) or not.
inline int settingsCopies(const QStringList& folders, qint64 pid, bool owned)
{
    int count = 0;
    for (const QString& folder : folders)
        for (const QString& copy : QDir(folder).entryList({QStringLiteral("kestrova-settings-*")}, QDir::Dirs))
            count += int((pidIn(folder + QLatin1Char('/') + copy + QLatin1Char('/') + QLatin1String(OwnedTempDir::kOwnerFile)) == pid) == owned);
    return count;
}

// `pid` holds the launch lock beside `socket` and takes connections there.
inline bool isUp(qint64 pid, const QString& socket)
{
    QLocalSocket probe;
    probe.connectToServer(socket);
    return pidIn(socket + QStringLiteral(".lock")) == pid && probe.waitForConnected(1000);
}

} // namespace LaunchState
