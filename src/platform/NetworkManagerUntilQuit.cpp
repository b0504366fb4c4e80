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
            delete manager;
        });
    return manager;
}
