#pragma once

#include <QCoroTask>
#include <QDBusConnection>
#include <QObject>

#include <optional>

class QDBusServiceWatcher;
class SessionProcessGuard;

// Tells the guard which processes host the tray: the owner of the
// StatusNotifier watcher's bus name and, on X11, the owner of the XEmbed
// tray selection. Asks again whenever the watcher's name changes hands.
class TrayOwnerTracker final : public QObject {
    Q_OBJECT

public:
    static constexpr auto kWatcherName = "org.kde.StatusNotifierWatcher";

    TrayOwnerTracker(SessionProcessGuard& guard, QDBusConnection bus, QObject* parent = nullptr);

    // Finds the owners now (asynchronously) and keeps watching.
    void start();
    // Done once the latest look-up has reached the guard.
    QCoro::Task<> refresh();

private:
    // The process that owns the X tray selection of the default screen.
    static std::optional<qint32> xembedTrayOwner();

    SessionProcessGuard& m_guard;
    QDBusConnection m_bus;
    QDBusServiceWatcher* m_watcher = nullptr;
};
