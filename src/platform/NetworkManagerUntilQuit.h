#pragma once

#include <QNetworkAccessManager>
#include <QPointer>

// A network manager owned by `owner` that is gone before the application
// object is: at aboutToQuit its running replies are aborted (each says
// finished at once) and it is deleted, so its HTTP thread ends with every
// object it made. Destroyed later, from ~QCoreApplication as a child of the
// application, a manager whose thread is still setting up a request (its
// TLS socket, proxy and connection) leaves those objects unreachable.
// The pointer is null from the quit on.
QPointer<QNetworkAccessManager> networkManagerUntilQuit(QObject* owner);
