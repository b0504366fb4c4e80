#pragma once

#include "platform/DesktopNotifier.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>

#include <functional>
#include <optional>

// DesktopNotifier over org.freedesktop.Notifications on the session bus.
// Calls are asynchronous; the id the server returns is kept per identifier
// and passed as replaces_id next time.
class FreedesktopNotifier final : public QObject, public DesktopNotifier {
    Q_OBJECT

public:
    // Uses the session bus, connected on the first post, and only when one
    // is advertised (DBUS_SESSION_BUS_ADDRESS or $XDG_RUNTIME_DIR/bus).
    explicit FreedesktopNotifier(QObject* parent = nullptr);
    // Uses the given connection (tests: a private bus).
    explicit FreedesktopNotifier(QDBusConnection connection, QObject* parent = nullptr);

    void post(const QString& identifier, const QString& title, const QString& body) override;

    // How long a call may stay unanswered before it is dropped.
    static constexpr int kCallTimeoutMs = 5000;

    // True when a session bus address is known, so connecting cannot fall
    // back to launching a bus of its own.
    static bool sessionBusAdvertised();

private:
    std::optional<QDBusConnection> connection();

    std::optional<QDBusConnection> m_connection;
    bool m_useSessionBus = false;
    QHash<QString, uint> m_serverIds;
};
