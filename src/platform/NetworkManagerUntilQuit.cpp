#include "platform/NetworkManagerUntilQuit.h"

#include <QCoreApplication>
#include <QNetworkReply>

QPointer<QNetworkAccessManager> networkManagerUntilQuit(QObject* owner)
{
    auto* manager = new QNetworkAccessManager(owner);
    if (QCoreApplication* app = QCoreApplication::instance())
        QObject::connect(app, &QCoreApplication::aboutToQuit, manager, [manager] {
            for (QNetworkReply* reply : manager->findChildren<QNetworkReply*>()) {
                if (!reply->isRunning())
                    continue;
                reply->abort();
                // Whoever waits on it through a queued connection (a
                // coroutine) hears of its end before it goes.
                QCoreApplication::sendPostedEvents(reply, QEvent::MetaCall);
            }
            delete manager;
        });
    return manager;
}
