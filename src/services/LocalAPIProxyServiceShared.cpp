#include "localai/LocalAPIProxyService.h"

#include <QCoreApplication>

LocalAPIProxyService& LocalAPIProxyService::shared()
{
    static LocalAPIProxyService* service = [] {
        auto* created = new LocalAPIProxyService(ProxySettings{}, QCoreApplication::instance());
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, created,
                         &LocalAPIProxyService::shutdown);
        return created;
    }();
    return *service;
}
