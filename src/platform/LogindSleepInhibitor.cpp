#include "platform/LogindSleepInhibitor.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusUnixFileDescriptor>
#include <QCoroDBus>

#include <fcntl.h>
#include <unistd.h>

namespace {
const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kInterface = QStringLiteral("org.freedesktop.login1.Manager");
} // namespace

LogindSleepInhibitor::LogindSleepInhibitor() : m_useSystemBus(true) {}

LogindSleepInhibitor::LogindSleepInhibitor(QDBusConnection connection) : m_connection(std::move(connection)) {}

LogindSleepInhibitor::~LogindSleepInhibitor()
{
    for (const int fd : std::as_const(m_held))
        ::close(fd);
}

std::optional<QDBusConnection> LogindSleepInhibitor::connection()
{
    if (!m_connection && m_useSystemBus) {
        m_useSystemBus = false;
        m_connection = QDBusConnection::systemBus();
    }
    if (!m_connection || !m_connection->isConnected())
        return std::nullopt;
    // The answer is a descriptor; a connection that cannot pass one cannot
    // hold an inhibitor.
    if (!(m_connection->connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing))
        return std::nullopt;
    return m_connection;
}

QCoro::Task<quint32> LogindSleepInhibitor::acquire(QString why)
{
    const auto bus = connection();
    if (!bus)
        co_return 0u;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Inhibit"));
    call << QStringLiteral("idle") << QStringLiteral("Kestrova") << why << QStringLiteral("block");
    const QDBusPendingCall pending = bus->asyncCall(call, kCallTimeoutMs);
    const QDBusMessage reply = co_await pending;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        co_return 0u;
    const auto descriptor = qdbus_cast<QDBusUnixFileDescriptor>(reply.arguments().constFirst());
    if (!descriptor.isValid())
        co_return 0u;
    // Our own copy, so that releasing does not depend on when the reply's
    // copies go away.
    const int fd = ::fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 3);
    if (fd < 0)
        co_return 0u;
    while (m_nextId == 0 || m_held.contains(m_nextId))
        ++m_nextId;
    const quint32 id = m_nextId++;
    m_held.insert(id, fd);
    co_return id;
}

void LogindSleepInhibitor::release(quint32 id)
{
    const auto it = m_held.constFind(id);
    if (it == m_held.constEnd())
        return;
    ::close(*it);
    m_held.erase(it);
}
