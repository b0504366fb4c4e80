#pragma once

#include "support/ForkedChild.h"

#include <QString>

#include <optional>

// A local socket that another user listens on, answering "ok\n" to every
// client, as a hostile neighbour could plant it. The listener is a forked
// child that drops to `uid` (nobody by default) before it binds, so it needs
// root; listening() says whether it is there. The child is killed at the end.
// A path "@name" stands for the abstract socket `name`.
class ForeignUserSocket {
public:
    static constexpr uid_t kNobody = 65534;
    static bool canPlant() { return ::geteuid() == 0; }
    // A pattern for a QTemporaryDir that the other user can reach (the
    // tests' own temp folder is private); chmod it 0711.
    static QString reachableTemplate() { return QStringLiteral("/tmp/kestrova-planted-XXXXXX"); }

    explicit ForeignUserSocket(const QString& path, uid_t uid = kNobody);

    bool listening() const { return m_child && m_child->ready(); }

private:
    std::optional<ForkedChild> m_child;
};
