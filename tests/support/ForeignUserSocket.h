#pragma once

#include <QString>

#include <sys/types.h>
#include <unistd.h>

// A local socket that another user listens on, answering "ok\n" to every
// client, as a hostile neighbour could plant it. The listener is a forked
// child that drops to `uid` (nobody by default) before it binds, so it needs
// root; listening() says whether it is there. The child is killed at the end.
class ForeignUserSocket {
public:
    static constexpr uid_t kNobody = 65534;
    static bool canPlant() { return ::geteuid() == 0; }
    // A pattern for a QTemporaryDir that the other user can reach (the
    // tests' own temp folder is private); chmod it 0711.
    static QString reachableTemplate() { return QStringLiteral("/tmp/kestrova-planted-XXXXXX"); }

    explicit ForeignUserSocket(const QString& path, uid_t uid = kNobody);
    ~ForeignUserSocket();
    ForeignUserSocket(const ForeignUserSocket&) = delete;
    ForeignUserSocket& operator=(const ForeignUserSocket&) = delete;

    bool listening() const { return m_listening; }

private:
    pid_t m_child = -1;
    bool m_listening = false;
};
