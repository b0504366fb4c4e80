#pragma once

#include "platform/AbstractSocketNote.h"

#include <QLocalServer>
#include <QString>

// Makes `server` listen where a running copy would for a launch socket at
// `path`: at the path itself, or on an abstract name noted there when the
// path is too long for a socket (a deep temp folder).
inline bool listenAsACopy(QLocalServer& server, const QString& path)
{
    if (AbstractSocketNote::pathFits(path))
        return server.listen(path);
    const QString name = AbstractSocketNote::freshName();
    QString failure;
    server.setSocketOptions(QLocalServer::AbstractNamespaceOption);
    return server.listen(name) && AbstractSocketNote::write(path, name, &failure);
}
