#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <vector>

// In-process notifications between views and the application delegate
// ("OpenDashboard", "OpenPopover", ...). post() delivers synchronously to
// every observer of the name, in registration order. An observer lives as
// long as its context object: once the context is destroyed it is never
// called again.
class NotificationCenter : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void(const QVariantMap& userInfo)>;

    static NotificationCenter& shared();

    explicit NotificationCenter(QObject* parent = nullptr);

    void observe(const QString& name, QObject* context, Handler handler);
    void removeObserver(QObject* context);
    void post(const QString& name, const QVariantMap& userInfo = {});

private:
    struct Observer {
        QString name;
        QPointer<QObject> context;
        Handler handler;
    };
    std::vector<Observer> m_observers;
};
