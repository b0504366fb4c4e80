#pragma once

#include <QDir>
#include <QString>

#include <sys/un.h>

#include <algorithm>

// A folder made under `base`, deep enough that `<folder>/<tail>` is a few
// bytes longer than a local socket's path may be; empty if it cannot be made.
inline QString deepSocketFolder(const QString& base, const QString& tail)
{
    const qsizetype over = qsizetype(sizeof(sockaddr_un::sun_path)) + 8;
    const QString folder = base + QLatin1Char('/')
                           + QString(std::max<qsizetype>(1, over - base.size() - tail.size() - 2), QLatin1Char('d'));
    return QDir().mkpath(folder) ? folder : QString();
}
