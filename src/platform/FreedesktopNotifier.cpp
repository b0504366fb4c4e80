#include "platform/FreedesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QVariantMap>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
} // namespace

FreedesktopNotifier::FreedesktopNotifier(QObject* parent) : QObject(parent), m_useSessionBus(true) {}

FreedesktopNotifier::FreedesktopNotifier(QDBusConnection connection, QObject* parent)
    : QObject(parent), m_connection(std::move(connection))
{
}

bool FreedesktopNotifier::sessionBusAdvertised()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo(runtime + QStringLiteral("/bus")).exists();
}

std::optional<QDBusConnection> FreedesktopNotifier::connection()
{
    if (!m_connection && m_useSessionBus) {
        // Decided once: a session without a bus does not grow one later, and
        // without an address libdbus would try to autolaunch a bus.
        m_useSessionBus = false;
        if (sessionBusAdvertised())
            m_connection = QDBusConnection::sessionBus();
    }
    if (!m_connection || !m_connection->isConnected())
        return std::nullopt;
    return m_connection;
}

void FreedesktopNotifier::post(const QString& identifier, const QString& title, const QString& body)
{
    const auto bus = connection();
    if (!bus)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("Kestrova")            // app_name
         << m_serverIds.value(identifier, 0u)     // replaces_id
         << QString()                             // app_icon
         << title << body
         << QStringList()                         // actions
         << QVariantMap()                         // hints: server defaults, sound included
         << qint32(-1);                           // expire_timeout: server default
    auto* watcher = new QDBusPendingCallWatcher(bus->asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, identifier](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isValid() && !reply.isError())
            m_serverIds.insert(identifier, reply.value());
        w->deleteLater();
    });
}
