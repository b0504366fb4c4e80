#pragma once

#include "platform/IdleSleepInhibitor.h"

#include <QDBusConnection>
#include <QHash>

#include <optional>

// IdleSleepInhibitor over systemd-logind: Inhibit("idle", "Kestrova", why,
// "block") on the system bus. logind answers with a file descriptor and keeps
// the inhibitor for as long as someone holds it open, so the held
// descriptor is the inhibitor and closing it releases it.
class LogindSleepInhibitor final : public IdleSleepInhibitor {
public:
    // Uses the system bus, connected on the first acquire().
    LogindSleepInhibitor();
    // Uses the given connection.
    explicit LogindSleepInhibitor(QDBusConnection connection);
    ~LogindSleepInhibitor() override;
    LogindSleepInhibitor(const LogindSleepInhibitor&) = delete;
    LogindSleepInhibitor& operator=(const LogindSleepInhibitor&) = delete;

    QCoro::Task<quint32> acquire(QString why) override;
    void release(quint32 id) override;

    int heldCount() const { return int(m_held.size()); }

    // The call is asynchronous; an unanswered one counts as a failure after this.
    static constexpr int kCallTimeoutMs = 3000;

private:
    std::optional<QDBusConnection> connection();

    std::optional<QDBusConnection> m_connection;
    bool m_useSystemBus = false;
    QHash<quint32, int> m_held; // id -> descriptor
    quint32 m_nextId = 1;
};
