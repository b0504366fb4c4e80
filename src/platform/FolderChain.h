#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <vector>

// The open folders on the way down a tree walk, from the walk's top to the
// folder being read. However deep the walk goes, at most `kept` descriptors
// stay open: the shallowest are given up, and on the way back up a folder
// whose descriptor was given up is reopened through ".." and checked to be
// the same folder (device and inode), so a folder moved during the walk
// stops the walk instead of sending it somewhere else. Folders are entered
// without following links.
class FolderChain {
public:
    static constexpr int kDefaultKept = 16;

    // Takes `top`, an open folder descriptor; -1 (or a descriptor that is
    // not a folder) gives an unusable chain.
    explicit FolderChain(int top, int kept = kDefaultKept);
    ~FolderChain();
    FolderChain(const FolderChain&) = delete;
    FolderChain& operator=(const FolderChain&) = delete;

    bool usable() const { return !m_levels.empty() && m_levels.back().fd >= 0; }
    // The current folder; valid while usable().
    int fd() const { return m_levels.back().fd; }
    const struct stat& info() const { return m_levels.back().info; }
    // 0 at the top.
    int depth() const { return int(m_levels.size()) - 1; }
    // Descriptors this chain holds now.
    int openCount() const { return int(m_levels.size()) - m_lowestOpen; }

    // Opens the subfolder `name` of the current folder, without following a
    // link, and makes it current. Returns 0, or the errno of the failure
    // (the current folder is unchanged).
    int enter(const char* name);
    // Makes an already open subfolder current; takes `fd`, whose fstat data
    // is `info`.
    void enter(int fd, const struct stat& info);
    // Makes the parent current again. False when the parent could not be
    // reopened as the same folder: the chain is then unusable.
    bool leave();

private:
    struct Level {
        int fd;
        struct stat info;
    };
    void push(int fd, const struct stat& info);

    std::vector<Level> m_levels;
    int m_kept;
    int m_lowestOpen = 0; // open descriptors are the levels from here down
};
