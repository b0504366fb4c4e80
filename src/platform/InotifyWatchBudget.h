#pragma once

#include <QString>

#include <atomic>

// The inotify watches this process may hold. The kernel's limit
// (fs.inotify.max_user_watches) is the whole account's: editors, file
// managers and build watchers of the same user draw on it too. We take an
// eighth of it, at most kMaxWatches; whoever is refused a watch falls back
// to something slower. Shared by every tree-size cache of the process.
class InotifyWatchBudget {
public:
    static constexpr int kShareDivisor = 8;
    static constexpr int kMaxWatches = 8192;
    // Assumed when the limit cannot be read (the kernel's old default).
    static constexpr int kAssumedAccountLimit = 8192;

    explicit InotifyWatchBudget(int limit) : m_limit(limit > 0 ? limit : 0) {}
    InotifyWatchBudget(const InotifyWatchBudget&) = delete;
    InotifyWatchBudget& operator=(const InotifyWatchBudget&) = delete;

    // Built from /proc on first use.
    static InotifyWatchBudget& shared();

    // Our share of the limit in <procRoot>/sys/fs/inotify/max_user_watches
    // (or of the user namespace's sys/user/max_inotify_watches, if lower).
    static int shareOf(const QString& procRoot);

    // One watch more, if the budget has room. Every taken watch is given back.
    bool take();
    void giveBack() { m_held.fetch_sub(1, std::memory_order_relaxed); }

    int limit() const { return m_limit; }
    int held() const { return m_held.load(std::memory_order_relaxed); }

private:
    const int m_limit;
    std::atomic<int> m_held{0};
};
