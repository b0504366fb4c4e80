#pragma once

#include <QString>

#include <functional>
#include <string_view>
#include <sys/types.h>
#include <unordered_map>

// Walks the processes under procRoot and hands each one's image name to a
// predicate: the executable's path (/proc/PID/exe), or where that cannot be
// read (another user's process) the first argument of its command line, or
// for kernel threads and zombies its short command name. Stops at the first
// match.
class ProcessImageScanner {
public:
    explicit ProcessImageScanner(QString procRoot = QStringLiteral("/proc"));

    // Whether any process's image name satisfies `matches`; false when
    // procRoot cannot be read.
    bool any(const std::function<bool(std::string_view image)>& matches);

    // Processes remembered as having neither executable nor command line.
    std::size_t rememberedWithoutImage() const { return m_withoutImage.size(); }

private:
    QString m_procRoot;
    // A process without executable and command line (a kernel thread or a
    // zombie) never execs, so its name need not be read again. Keyed by pid
    // and the inode of its /proc entry, which a reused pid does not share.
    std::unordered_map<pid_t, ino_t> m_withoutImage;
};
