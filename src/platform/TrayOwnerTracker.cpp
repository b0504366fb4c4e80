#include "platform/TrayOwnerTracker.h"

#include "platform/SessionProcessGuard.h"

#include <QCoroDBus>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QPointer>

#ifdef KESTROVA_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#endif

namespace {

constexpr int kLookUpTimeoutMs = 1000;

} // namespace

TrayOwnerTracker::TrayOwnerTracker(SessionProcessGuard& guard, QDBusConnection bus, QObject* parent)
    : QObject(parent), m_guard(guard), m_bus(std::move(bus))
{
}

void TrayOwnerTracker::start()
{
    if (m_bus.isConnected() && !m_watcher) {
        m_watcher = new QDBusServiceWatcher(QString::fromLatin1(kWatcherName), m_bus,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] { refresh(); });
    }
    refresh();
}

QCoro::Task<> TrayOwnerTracker::refresh()
{
    QPointer<TrayOwnerTracker> self(this);
    QSet<qint32> owners;
    if (const auto xembed = xembedTrayOwner())
        owners.insert(*xembed);
    if (m_bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"));
        call << QString::fromLatin1(kWatcherName);
        const QDBusPendingCall pending = m_bus.asyncCall(call, kLookUpTimeoutMs);
        const QDBusMessage reply = co_await qCoro(pending).waitForFinished();
        if (!self)
            co_return;
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            const uint pid = reply.arguments().constFirst().toUInt();
            if (pid >= 2)
                owners.insert(qint32(pid));
        }
    }
    m_guard.setTrayOwners(std::move(owners));
}

std::optional<qint32> TrayOwnerTracker::xembedTrayOwner()
{
#ifdef KESTROVA_HAVE_XCB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return std::nullopt;
    int screen = 0;
    if (const char* display = std::getenv("DISPLAY")) {
        const char* dot = std::strrchr(display, '.');
        const char* colon = std::strrchr(display, ':');
        if (dot && colon && dot > colon)
            screen = std::atoi(dot + 1);
    }
    const QByteArray selection = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen);
    const auto internAtom = [connection](const QByteArray& name) -> xcb_atom_t {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 1, uint16_t(name.size()), name.constData()), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return atom;
    };
    const xcb_atom_t trayAtom = internAtom(selection);
    const xcb_atom_t pidAtom = internAtom("_NET_WM_PID");
    if (trayAtom == XCB_ATOM_NONE || pidAtom == XCB_ATOM_NONE)
        return std::nullopt;
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, trayAtom), nullptr);
    const xcb_window_t window = owner ? owner->owner : xcb_window_t(XCB_WINDOW_NONE);
    std::free(owner);
    if (window == XCB_WINDOW_NONE)
        return std::nullopt;
    xcb_get_property_reply_t* property = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
    std::optional<qint32> pid;
    if (property && property->format == 32 && xcb_get_property_value_length(property) >= 4) {
        const auto value = *static_cast<const uint32_t*>(xcb_get_property_value(property));
        if (value >= 2)
            pid = qint32(value);
    }
    std::free(property);
    return pid;
#else
    return std::nullopt;
#endif
}
