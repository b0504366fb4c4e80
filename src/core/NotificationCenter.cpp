#include "core/NotificationCenter.h"

#include <QCoreApplication>

#include <algorithm>

NotificationCenter& NotificationCenter::shared()
{
    static auto* center = new NotificationCenter(QCoreApplication::instance());
    return *center;
}

NotificationCenter::NotificationCenter(QObject* parent) : QObject(parent) {}

void NotificationCenter::observe(const QString& name, QObject* context, Handler handler)
{
    Q_ASSERT(context);
    m_observers.push_back({name, context, std::move(handler)});
}

void NotificationCenter::removeObserver(QObject* context)
{
    std::erase_if(m_observers, [context](const Observer& o) { return o.context == context; });
}

void NotificationCenter::post(const QString& name, const QVariantMap& userInfo)
{
    std::erase_if(m_observers, [](const Observer& o) { return o.context.isNull(); });
    // Handlers may observe, remove or destroy observers while we deliver:
    // deliver to a snapshot and re-check each context before the call.
    const std::vector<Observer> snapshot = m_observers;
    for (const Observer& o : snapshot) {
        if (o.name == name && !o.context.isNull())
            o.handler(userInfo);
    }
}
