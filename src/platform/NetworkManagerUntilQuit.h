#pragma once

#include <QNetworkAccessManager>
#include <QPointer>

// A network manager owned by `owner` that is gone before the event loop has
// returned: at aboutToQuit its running replies are aborted (each says
// finished at once) and it is deleted. Qt 6.4 leaves the objects of a
// request (its TLS socket with the cipher list, proxy, connection) as an
// unreachable cycle when the manager is destroyed only after exec() has
// returned (as a child of the application object, from ~QCoreApplication)
// and the quit came while that request was being started, however long the
// process still runs. The pointer is null from the quit on.
QPointer<QNetworkAccessManager> networkManagerUntilQuit(QObject* owner);
