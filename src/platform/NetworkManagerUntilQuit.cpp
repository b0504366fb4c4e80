#include "platform/NetworkManagerUntilQuit.h"

#include <QCoreApplication>
#include <QNetworkReply>

QPointer<QNetworkAccessManager> networkManagerUntilQuit(QObject* owner)
{
    auto* manager = new QNetworkAccessManager(owner);
    if (QCoreApplication* app = QCoreApplication::instance())
        QObject::connect(app, &QCoreApplication::aboutToQuit, manager, [manager] {
            for (QNetworkReply* reply : manager->findChildren<QNetworkReply*>())
                if (reply->isRunning())
                    reply->abort();
            // Whoever waits on a reply through a queued connection (a
            // coroutine) hears of its end before the reply goes.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
            delete manager;
        });
    return manager;
}
