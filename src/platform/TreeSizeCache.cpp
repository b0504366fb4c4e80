#include "platform/TreeSizeCache.h"

#include "platform/EntryIdentity.h"
#include "platform/FolderChain.h"
#include "platform/FolderEntries.h"
#include "platform/InotifyWatchBudget.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr auto kForgetAfter = std::chrono::hours(1);
// Up to this many folders without a watch are re-read every pass; more are
// checked by their change time, checksPerPass of them a pass.
constexpr std::size_t kRereadAllBelow = 64;
// A change time this close to the read may hide a change made in the same
// clock tick after it: such a folder is read again when next checked.
constexpr qint64 kUnsureWithinNs = 1'000'000'000;
// A folder watch reports what happens to its entries: files written,
// truncated, created, removed, renamed, relinked.
constexpr uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVED_FROM
                                | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

int openFolderAt(int parent, const char* name)
{
    return ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

struct LinkedFile {
    dev_t dev;
    ino_t ino;
    qint64 size;
};

struct ListedFile {
    std::string name;
    qint64 size;
};

// What a folder holds beyond a plain sum; most folders have none.
struct Extras {
    std::vector<LinkedFile> linked;
    std::vector<ListedFile> listed;
};

struct Node {
    std::string name;
    std::vector<std::unique_ptr<Node>> children;
    std::unique_ptr<Extras> extras;
    qint64 plainBytes = 0; // regular files with a single link
    Node* parent = nullptr;
    dev_t dev = 0;
    ino_t ino = 0;
    qint64 changedNs = 0;  // change time when read; 0: read again when checked
    int wd = -1;
    bool dirty = false;    // a report named it since it was read
    bool visit = false;    // this pass re-reads it or something below it

    Node() = default;
    Node(const char* folderName, const struct stat& info) : name(folderName), dev(info.st_dev), ino(info.st_ino) {}
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    // Taken apart iteratively: a chain of folders thousands deep must not
    // recurse as deep.
    ~Node()
    {
        std::vector<std::unique_ptr<Node>> pending = std::move(children);
        while (!pending.empty()) {
            std::unique_ptr<Node> node = std::move(pending.back());
            pending.pop_back();
            for (auto& child : node->children)
                pending.push_back(std::move(child));
            node->children.clear();
        }
    }
};

struct Tree {
    QString root;
    TreeSizeCache::Options options;
    std::unique_ptr<Node> top;
    bool changed = true;   // reports arrived or figures are stale
    bool rewalk = false;   // reports were lost
    std::vector<Node*> unwatched; // folders without a watch, from the last summary
    std::size_t checkCursor = 0;  // where the next change-time checks start
    SteadyClock::time_point walkedAt;
    SteadyClock::time_point usedAt;
    TreeSizeCache::Measurement result;
};

qint64 nanoseconds(const struct timespec& t) { return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

qint64 realTimeNs()
{
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

struct Job {
    Node* node;
    int fd;
};

// A failed open for lack of descriptors or memory says nothing about the
// folder: it is kept as known and read again on a later pass.
bool outOfResources(int error) { return error == EMFILE || error == ENFILE || error == ENOMEM; }

bool sameFolder(const Node* node, const struct stat& info) { return node->dev == info.st_dev && node->ino == info.st_ino; }

} // namespace

struct TreeSizeCache::Impl {
    Deps deps;
    InotifyWatchBudget& budget;
    qint64 passStartedNs = 0;
    int threads = 1;
    int inotifyFd = -1;
    bool inotifyTried = false;
    std::mutex callMutex;
    std::mutex watchMutex;
    std::unordered_map<int, std::vector<std::pair<Tree*, Node*>>> watches;
    std::atomic<int> watchesHeld{0};
    std::atomic<quint64> reads{0};
    std::map<QString, std::unique_ptr<Tree>> trees;

    explicit Impl(Deps d) : deps(d), budget(d.watchBudget ? *d.watchBudget : InotifyWatchBudget::shared())
    {
        const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
        threads = deps.threads > 0 ? deps.threads : std::min(cores, 8);
    }

    ~Impl()
    {
        if (inotifyFd >= 0)
            ::close(inotifyFd);
    }

    // Watches an open folder; read it after this, so nothing in between
    // goes unreported. Refused or over the budget: the folder stays
    // unwatched and is checked by its change time (checkUnwatched).
    void addWatch(Tree* tree, Node* node, int fd)
    {
        if (inotifyFd < 0 || node->wd >= 0 || !budget.take())
            return;
        if (deps.watchLimit >= 0 && watchesHeld.fetch_add(1) >= deps.watchLimit) {
            watchesHeld.fetch_sub(1);
            budget.giveBack();
            return;
        }
        if (deps.watchLimit < 0)
            watchesHeld.fetch_add(1);
        char path[40];
        std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
        const int wd = ::inotify_add_watch(inotifyFd, path, kWatchMask);
        if (wd < 0) {
            watchesHeld.fetch_sub(1);
            budget.giveBack();
            return;
        }
        const std::lock_guard lock(watchMutex);
        watches[wd].emplace_back(tree, node);
        node->wd = wd;
    }

    void dropWatch(Tree* tree, Node* node)
    {
        if (node->wd < 0)
            return;
        const std::lock_guard lock(watchMutex);
        const auto it = watches.find(node->wd);
        if (it != watches.end()) {
            auto& owners = it->second;
            owners.erase(std::remove(owners.begin(), owners.end(), std::pair<Tree*, Node*>(tree, node)), owners.end());
            if (owners.empty()) {
                ::inotify_rm_watch(inotifyFd, it->first);
                watches.erase(it);
            }
        }
        watchesHeld.fetch_sub(1);
        budget.giveBack();
        node->wd = -1;
    }

    void dropSubtree(Tree* tree, Node* top)
    {
        std::vector<Node*> pending{top};
        while (!pending.empty()) {
            Node* node = pending.back();
            pending.pop_back();
            for (const auto& child : node->children)
                pending.push_back(child.get());
            dropWatch(tree, node);
        }
    }

    void dropTree(Tree* tree)
    {
        if (tree->top)
            dropSubtree(tree, tree->top.get());
        tree->top.reset();
    }

    // Marks the folders the kernel reported since the last pass.
    void drainEvents()
    {
        if (inotifyFd < 0)
            return;
        alignas(inotify_event) char buffer[64 * 1024];
        for (;;) {
            const ssize_t length = ::read(inotifyFd, buffer, sizeof buffer);
            if (length <= 0)
                return;
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += ssize_t(sizeof(inotify_event) + event->len);
                if (event->mask & IN_Q_OVERFLOW) {
                    for (auto& [key, tree] : trees)
                        tree->rewalk = true;
                    continue;
                }
                const auto it = watches.find(event->wd);
                if (it == watches.end())
                    continue;
                for (auto [tree, node] : it->second) {
                    node->dirty = true;
                    tree->changed = true;
                    if (event->mask & IN_IGNORED) {
                        node->wd = -1;
                        watchesHeld.fetch_sub(1);
                        budget.giveBack();
                    }
                }
                if (event->mask & IN_IGNORED)
                    watches.erase(it);
            }
        }
    }

    // Lists one open folder (the descriptor stays open): sums its files and
    // collects the names of its subfolders.
    void readFolder(const Tree* tree, Node* node, int fd, std::vector<std::string>& folders)
    {
        reads.fetch_add(1, std::memory_order_relaxed);
        const bool hidden = tree->options.includeHidden;
        const bool stay = tree->options.stayOnFileSystem;
        const dev_t device = tree->top->dev;
        const qint64 listOver = tree->options.listFilesOver;
        qint64 plain = 0;
        std::unique_ptr<Extras> extras;
        const auto more = [&extras]() -> Extras& {
            if (!extras)
                extras = std::make_unique<Extras>();
            return *extras;
        };
        FolderEntries::forEach(fd, [&](const char* name, unsigned char type) {
            if (!hidden && name[0] == '.')
                return;
            if (type == DT_UNKNOWN || type == DT_REG) {
                EntryIdentity entry;
                if (EntryIdentity::of(fd, name, entry) != 0)
                    return;
                if (S_ISREG(entry.mode)) {
                    // A file mounted over a file stays when the folder goes.
                    if (stay && entry.isMountPointOn(device))
                        return;
                    if (entry.links > 1)
                        more().linked.push_back({entry.dev, entry.ino, entry.size});
                    else
                        plain += entry.size;
                    if (listOver >= 0 && entry.size > listOver)
                        more().listed.push_back({name, entry.size});
                    return;
                }
                type = S_ISDIR(entry.mode) ? DT_DIR : DT_UNKNOWN;
            }
            if (type == DT_DIR)
                folders.emplace_back(name);
        });
        node->plainBytes = plain;
        node->extras = std::move(extras);
    }

    // Where one thread is in bringing a folder up to date: either going
    // down to the known subfolders that need it, or re-reading the folder
    // and matching what it lists against what was known.
    struct Frame {
        Node* node;
        bool rereading = false;
        std::size_t next = 0;
        std::vector<std::string> folders;
        std::unordered_map<std::string, std::unique_ptr<Node>> known;
    };

    // Brings the folder of `job` (its descriptor taken) and everything
    // below it up to date, iteratively through a FolderChain so that any
    // depth holds a bounded number of descriptors. A folder is re-read when
    // marked (new, reported, or its change time moved); otherwise only the
    // folders below that need it are visited. New subfolders are walked
    // whole, handed to `share` when another thread can take them. Returns
    // false when a folder moved while it was walked: what was not reached
    // is left marked for the next pass.
    template <typename Share>
    bool update(Tree* tree, Job job, Share&& share)
    {
        FolderChain chain(job.fd);
        if (!chain.usable()) {
            job.node->dirty = true;
            return false;
        }
        std::vector<Frame> frames;
        bool reachedAll = true;
        const auto postpone = [&](Node* node) {
            node->dirty = true;
            reachedAll = false;
        };
        const auto reread = [&](Frame& frame) {
            addWatch(tree, frame.node, chain.fd());
            // Taken when the folder was opened, before it is listed.
            const qint64 changed = nanoseconds(chain.info().st_ctim);
            frame.node->changedNs = changed > passStartedNs - kUnsureWithinNs ? 0 : changed;
            frame.node->dirty = false;
            frame.rereading = true;
            frame.next = 0;
            for (auto& child : frame.node->children) {
                std::string name = child->name;
                frame.known.emplace(std::move(name), std::move(child));
            }
            frame.node->children.clear();
            readFolder(tree, frame.node, chain.fd(), frame.folders);
        };
        const auto begin = [&](Node* node) {
            node->visit = false;
            frames.push_back({node});
            if (node->dirty)
                reread(frames.back());
        };
        // A folder that could not be looked at for lack of resources keeps
        // what was known of it and is read again on a later pass.
        const auto keepKnown = [&](Frame& frame, const std::string& name) {
            postpone(frame.node);
            if (const auto it = frame.known.find(name); it != frame.known.end()) {
                frame.node->children.push_back(std::move(it->second));
                frame.known.erase(it);
            }
        };
        const auto abandon = [&] {
            for (Frame& frame : frames) {
                frame.node->dirty = true;
                for (auto& [name, gone] : frame.known)
                    dropSubtree(tree, gone.get());
            }
            return false;
        };
        begin(job.node);
        while (!frames.empty()) {
            Frame& frame = frames.back();
            if (!frame.rereading) {
                Node* next = nullptr;
                while (!next && frame.next < frame.node->children.size()) {
                    Node* child = frame.node->children[frame.next++].get();
                    if (child->visit)
                        next = child;
                }
                if (next) {
                    const int error = chain.enter(next->name.c_str());
                    if (error == 0 && sameFolder(next, chain.info())) {
                        begin(next);
                        continue;
                    }
                    if (error == 0 && !chain.leave())
                        return abandon();
                    if (outOfResources(error))
                        postpone(frame.node);
                    else
                        reread(frame); // the listing changed after all
                    continue;
                }
            } else if (frame.next < frame.folders.size()) {
                const std::string& name = frame.folders[frame.next++];
                // Looked at before it is opened: opening would trigger an
                // automount. What is not entered goes with the known nodes.
                if (tree->options.stayOnFileSystem) {
                    EntryIdentity entry;
                    const int error = EntryIdentity::of(chain.fd(), name.c_str(), entry);
                    if (error == 0 && entry.isMountPointOn(tree->top->dev))
                        continue;
                    if (outOfResources(error)) {
                        keepKnown(frame, name);
                        continue;
                    }
                }
                const int childFd = openFolderAt(chain.fd(), name.c_str());
                const int openError = childFd < 0 ? errno : 0;
                struct stat info;
                const auto it = frame.known.find(name);
                if (childFd < 0 || ::fstat(childFd, &info) != 0) {
                    if (childFd >= 0)
                        ::close(childFd);
                    if (outOfResources(openError))
                        keepKnown(frame, name);
                    continue;
                }
                if (it != frame.known.end() && sameFolder(it->second.get(), info)) {
                    Node* kept = it->second.get();
                    frame.node->children.push_back(std::move(it->second));
                    frame.known.erase(it);
                    if (kept->visit) {
                        chain.enter(childFd, info);
                        begin(kept);
                    } else {
                        ::close(childFd);
                    }
                    continue;
                }
                if (it != frame.known.end()) {
                    dropSubtree(tree, it->second.get());
                    frame.known.erase(it);
                }
                Node* fresh = frame.node->children.emplace_back(std::make_unique<Node>(name.c_str(), info)).get();
                fresh->parent = frame.node;
                fresh->dirty = true;
                // The last subfolder is this thread's own next step: handing
                // it over would only make a chain of folders hop threads.
                const bool more = frame.next < frame.folders.size();
                if (!more || !share(Job{fresh, childFd})) {
                    chain.enter(childFd, info);
                    begin(fresh);
                }
                continue;
            } else {
                for (auto& [name, gone] : frame.known)
                    dropSubtree(tree, gone.get());
            }
            frames.pop_back();
            if (!frames.empty() && !chain.leave())
                return abandon();
        }
        return reachedAll;
    }

    // Brings a tree up to date from its top folder (the descriptor taken)
    // on a few threads. Helpers start when the first new subfolder is
    // shared; idle threads take shared folders from a short stack, and a
    // full stack makes a thread go on by itself, which bounds open
    // descriptors. Returns false when part of the tree was not reached.
    bool walk(Tree* tree, Job top)
    {
        std::mutex mutex;
        std::condition_variable wake;
        std::vector<Job> stack;
        std::vector<std::thread> helpers;
        int pending = 1;
        std::atomic<bool> complete{true};
        const std::size_t shareBelow = threads > 1 ? std::size_t(threads) * 2 : 0;

        std::function<void()> work;
        const auto share = [&](Job job) {
            if (shareBelow == 0)
                return false;
            {
                const std::lock_guard lock(mutex);
                if (stack.size() >= shareBelow)
                    return false;
                stack.push_back(job);
                ++pending;
                if (helpers.empty()) {
                    for (int i = 1; i < threads; ++i)
                        helpers.emplace_back(work);
                }
            }
            wake.notify_one();
            return true;
        };
        const auto finished = [&](bool reached) {
            if (!reached)
                complete = false;
            const std::lock_guard lock(mutex);
            if (--pending == 0)
                wake.notify_all();
        };
        work = [&] {
            std::unique_lock lock(mutex);
            for (;;) {
                wake.wait(lock, [&] { return !stack.empty() || pending == 0; });
                if (stack.empty())
                    return;
                const Job job = stack.back();
                stack.pop_back();
                lock.unlock();
                finished(update(tree, job, share));
                lock.lock();
            }
        };
        finished(update(tree, top, share));
        work();
        std::vector<std::thread> started;
        {
            const std::lock_guard lock(mutex);
            started.swap(helpers);
        }
        for (std::thread& helper : started)
            helper.join();
        return complete;
    }

    static void markVisits(Node* top)
    {
        std::vector<std::pair<Node*, std::size_t>> stack{{top, 0}};
        while (!stack.empty()) {
            auto& [node, next] = stack.back();
            if (next < node->children.size()) {
                Node* child = node->children[next++].get();
                stack.emplace_back(child, 0);
                continue;
            }
            bool below = false;
            for (const auto& child : node->children)
                below = below || child->visit;
            node->visit = node->dirty || below;
            stack.pop_back();
        }
    }

    // The figures of a tree from what is remembered; no disk access.
    static void summarise(Tree* tree)
    {
        Measurement result;
        std::unordered_set<std::string> seenLinks;
        std::vector<Node*> unwatched;
        QByteArray path = QFile::encodeName(tree->root);
        while (path.size() > 1 && path.endsWith('/'))
            path.chop(1);
        std::vector<std::pair<Node*, std::size_t>> stack;
        const auto add = [&](Node* node) {
            result.bytes += node->plainBytes;
            if (node->wd < 0)
                unwatched.push_back(node);
            if (const Extras* extras = node->extras.get()) {
                for (const LinkedFile& file : extras->linked) {
                    std::string key(reinterpret_cast<const char*>(&file.dev), sizeof file.dev);
                    key.append(reinterpret_cast<const char*>(&file.ino), sizeof file.ino);
                    if (seenLinks.insert(std::move(key)).second)
                        result.bytes += file.size;
                }
                for (const ListedFile& file : extras->listed)
                    result.largeFiles.append(
                        {QFile::decodeName(path + '/' + QByteArray::fromStdString(file.name)), file.size});
            }
            stack.emplace_back(node, 0);
        };
        add(tree->top.get());
        while (!stack.empty()) {
            auto& [node, next] = stack.back();
            if (next < node->children.size()) {
                Node* child = node->children[next++].get();
                path.append('/').append(child->name.data(), qsizetype(child->name.size()));
                add(child);
                continue;
            }
            stack.pop_back();
            if (!stack.empty())
                path.truncate(path.lastIndexOf('/'));
        }
        tree->unwatched = std::move(unwatched);
        tree->result = std::move(result);
    }

    // Marks the folders without a watch that this pass re-reads: all of
    // them when they are few, else the next checksPerPass in turn whose
    // change time (or identity) is not what it was when read. Each is looked
    // at by name from its parent, opened by path from the top once for its
    // run of siblings (the list is in walk order) and checked to be the
    // folder read; nothing is followed at the end of a path nor automounted.
    // Returns whether any was marked.
    bool checkUnwatched(Tree* tree, int top)
    {
        std::vector<Node*>& unwatched = tree->unwatched;
        if (unwatched.empty())
            return false;
        if (unwatched.size() <= kRereadAllBelow) {
            for (Node* node : unwatched)
                node->dirty = true;
            return true;
        }
        bool marked = false;
        const auto mark = [&marked](Node* node) {
            node->dirty = true;
            marked = true;
        };
        const Node* openParent = nullptr;
        int parentFd = -1;
        bool parentUsable = false;
        std::vector<const Node*> above;
        std::string path;
        struct stat info;
        const std::size_t checks = std::min(unwatched.size(), std::size_t(std::max(deps.checksPerPass, 1)));
        for (std::size_t i = 0; i < checks; ++i) {
            Node* node = unwatched[tree->checkCursor++ % unwatched.size()];
            if (!node->parent) {
                if (::fstat(top, &info) != 0 || nanoseconds(info.st_ctim) != node->changedNs || !node->changedNs)
                    mark(node);
                continue;
            }
            if (node->parent != openParent) {
                if (parentFd >= 0)
                    ::close(parentFd);
                openParent = node->parent;
                above.clear();
                for (const Node* at = openParent; at->parent; at = at->parent)
                    above.push_back(at);
                path.assign(1, '.');
                for (auto it = above.rbegin(); it != above.rend(); ++it) {
                    path.push_back('/');
                    path.append((*it)->name.data(), (*it)->name.size());
                }
                parentFd = ::openat(top, path.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (parentFd < 0 && outOfResources(errno))
                    break; // nothing learnt; the next pass goes on from here
                parentUsable = parentFd >= 0 && ::fstat(parentFd, &info) == 0 && sameFolder(openParent, info);
            }
            const bool same = parentUsable
                              && ::fstatat(parentFd, node->name.c_str(), &info, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) == 0
                              && sameFolder(node, info) && node->changedNs != 0
                              && nanoseconds(info.st_ctim) == node->changedNs;
            if (!same)
                mark(node);
        }
        if (parentFd >= 0)
            ::close(parentFd);
        tree->checkCursor %= unwatched.size();
        return marked;
    }

    Measurement measure(const QString& root, const Options& options)
    {
        const std::lock_guard lock(callMutex);
        // Opened at the first pass: a cache that never measures holds none
        // of the user's few inotify instances.
        if (inotifyFd < 0 && !inotifyTried) {
            inotifyTried = true;
            inotifyFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        }
        drainEvents();
        passStartedNs = realTimeNs();
        const SteadyClock::time_point now = SteadyClock::now();
        for (auto it = trees.begin(); it != trees.end();) {
            if (now - it->second->usedAt > kForgetAfter) {
                dropTree(it->second.get());
                it = trees.erase(it);
            } else {
                ++it;
            }
        }

        const QString key = root + QChar(0) + QString::number(int(options.includeHidden)) + QChar(0)
                            + QString::number(options.listFilesOver) + QChar(0)
                            + QString::number(int(options.stayOnFileSystem)) + QChar(0) + options.removalRoot
                            + QChar(0) + QString::number(int(options.removalScope));
        const int fd = options.removalRoot.isEmpty()
                           ? ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                           : SafeDelete::openReach(options.removalRoot, root, options.removalScope);
        struct stat info;
        if (fd < 0 && outOfResources(errno)) {
            // Not "gone": the last figures stand until a pass can look.
            const auto it = trees.find(key);
            return it != trees.end() ? it->second->result : Measurement{};
        }
        if (fd < 0 || ::fstat(fd, &info) != 0) {
            if (fd >= 0)
                ::close(fd);
            if (const auto it = trees.find(key); it != trees.end()) {
                dropTree(it->second.get());
                trees.erase(it);
            }
            return {};
        }

        std::unique_ptr<Tree>& slot = trees[key];
        if (!slot) {
            slot = std::make_unique<Tree>();
            slot->root = root;
            slot->options = options;
        }
        Tree* tree = slot.get();
        tree->usedAt = now;
        const bool stale = !tree->top || tree->rewalk || tree->top->dev != info.st_dev
                           || tree->top->ino != info.st_ino
                           || now - tree->walkedAt > std::chrono::seconds(deps.fullWalkSeconds);
        if (stale) {
            dropTree(tree);
            tree->top = std::make_unique<Node>();
            tree->top->dev = info.st_dev;
            tree->top->ino = info.st_ino;
            tree->top->dirty = true;
            tree->rewalk = false;
            tree->walkedAt = now;
            const bool complete = walk(tree, {tree->top.get(), fd});
            summarise(tree);
            tree->changed = !complete;
        } else if (checkUnwatched(tree, fd) || tree->changed) {
            markVisits(tree->top.get());
            const bool complete = walk(tree, {tree->top.get(), fd});
            summarise(tree);
            tree->changed = !complete;
        } else {
            ::close(fd);
        }
        return tree->result;
    }
};

TreeSizeCache::TreeSizeCache() : TreeSizeCache(Deps{}) {}

TreeSizeCache::TreeSizeCache(Deps deps) : d(std::make_unique<Impl>(deps)) {}

TreeSizeCache::~TreeSizeCache()
{
    for (auto& [key, tree] : d->trees)
        d->dropTree(tree.get());
}

TreeSizeCache::Measurement TreeSizeCache::measure(const QString& root, Options options)
{
    return d->measure(root, options);
}

quint64 TreeSizeCache::directoryReads() const { return d->reads.load(); }

int TreeSizeCache::watchCount() const { return d->watchesHeld.load(); }
