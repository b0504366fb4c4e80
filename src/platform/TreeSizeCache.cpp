#include "platform/TreeSizeCache.h"

#include <QFile>

#include <algorithm>
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

#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int kMaxDepth = 256;
constexpr auto kForgetAfter = std::chrono::hours(1);
// A folder watch reports what happens to its entries: files written,
// truncated, created, removed, renamed, relinked.
constexpr uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVED_FROM
                                | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

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
    dev_t dev = 0;
    ino_t ino = 0;
    int wd = -1;
    bool dirty = false;    // a report named it since it was read
    bool visit = false;    // this pass re-reads it or something below it
};

struct Tree {
    QString root;
    TreeSizeCache::Options options;
    std::unique_ptr<Node> top;
    bool changed = true;   // reports arrived or figures are stale
    bool rewalk = false;   // reports were lost
    int unwatched = 0;     // folders without a watch, re-read every pass
    SteadyClock::time_point walkedAt;
    SteadyClock::time_point usedAt;
    TreeSizeCache::Measurement result;
};

struct Job {
    Node* node;
    int fd;
    int depth;
};

} // namespace

struct TreeSizeCache::Impl {
    Deps deps;
    int threads = 1;
    int inotifyFd = -1;
    bool inotifyTried = false;
    std::mutex callMutex;
    std::mutex watchMutex;
    std::unordered_map<int, std::vector<std::pair<Tree*, Node*>>> watches;
    std::atomic<int> watchesHeld{0};
    std::atomic<quint64> reads{0};
    std::map<QString, std::unique_ptr<Tree>> trees;

    explicit Impl(Deps d) : deps(d)
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
    // goes unreported. Refused or over the limit: the folder stays
    // unwatched and is re-read every pass.
    void addWatch(Tree* tree, Node* node, int fd)
    {
        if (inotifyFd < 0 || node->wd >= 0)
            return;
        if (deps.watchLimit >= 0 && watchesHeld.fetch_add(1) >= deps.watchLimit) {
            watchesHeld.fetch_sub(1);
            return;
        }
        if (deps.watchLimit < 0)
            watchesHeld.fetch_add(1);
        char path[40];
        std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
        const int wd = ::inotify_add_watch(inotifyFd, path, kWatchMask);
        if (wd < 0) {
            watchesHeld.fetch_sub(1);
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
        node->wd = -1;
    }

    void dropSubtree(Tree* tree, Node* node)
    {
        for (const auto& child : node->children)
            dropSubtree(tree, child.get());
        dropWatch(tree, node);
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
                    }
                }
                if (event->mask & IN_IGNORED)
                    watches.erase(it);
            }
        }
    }

    // Lists one open folder (taking the descriptor): sums its files and
    // hands each subfolder, opened without following links, to `onFolder`.
    template <typename OnFolder>
    void readFolder(const Tree* tree, Node* node, int fd, int depth, OnFolder&& onFolder)
    {
        DIR* dir = ::fdopendir(fd);
        if (!dir) {
            ::close(fd);
            node->plainBytes = 0;
            node->extras.reset();
            return;
        }
        reads.fetch_add(1, std::memory_order_relaxed);
        const bool hidden = tree->options.includeHidden;
        const qint64 listOver = tree->options.listFilesOver;
        qint64 plain = 0;
        std::unique_ptr<Extras> extras;
        const auto more = [&extras]() -> Extras& {
            if (!extras)
                extras = std::make_unique<Extras>();
            return *extras;
        };
        while (const dirent* entry = ::readdir(dir)) {
            const char* name = entry->d_name;
            if (isDotOrDotDot(name) || (!hidden && name[0] == '.'))
                continue;
            unsigned char type = entry->d_type;
            struct stat info;
            if (type == DT_UNKNOWN || type == DT_REG) {
                if (::fstatat(::dirfd(dir), name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                if (S_ISREG(info.st_mode)) {
                    if (info.st_nlink > 1)
                        more().linked.push_back({info.st_dev, info.st_ino, qint64(info.st_size)});
                    else
                        plain += info.st_size;
                    if (listOver >= 0 && info.st_size > listOver)
                        more().listed.push_back({name, qint64(info.st_size)});
                    continue;
                }
                type = S_ISDIR(info.st_mode) ? DT_DIR : DT_UNKNOWN;
            }
            if (type != DT_DIR || depth >= kMaxDepth)
                continue;
            const int child = openFolderAt(::dirfd(dir), name);
            if (child < 0)
                continue;
            if (::fstat(child, &info) != 0) {
                ::close(child);
                continue;
            }
            onFolder(name, child, info);
        }
        ::closedir(dir);
        node->plainBytes = plain;
        node->extras = std::move(extras);
    }

    // Reads every folder of the jobs and below, on a few threads. Idle
    // threads take subfolders from a shared stack; a busy stack makes a
    // thread go on depth-first by itself, which bounds open descriptors.
    void walk(Tree* tree, const std::vector<Job>& jobs)
    {
        if (jobs.empty())
            return;
        std::mutex mutex;
        std::condition_variable wake;
        std::vector<Job> stack = jobs;
        int pending = int(jobs.size());
        const std::size_t shareBelow = threads > 1 ? std::size_t(threads) * 2 : 0;

        std::function<void(const Job&)> process = [&](const Job& job) {
            addWatch(tree, job.node, job.fd);
            readFolder(tree, job.node, job.fd, job.depth, [&](const char* name, int fd, const struct stat& info) {
                auto child = std::make_unique<Node>();
                child->name = name;
                child->dev = info.st_dev;
                child->ino = info.st_ino;
                const Job next{child.get(), fd, job.depth + 1};
                job.node->children.push_back(std::move(child));
                bool shared = false;
                {
                    const std::lock_guard lock(mutex);
                    if (stack.size() < shareBelow) {
                        stack.push_back(next);
                        ++pending;
                        shared = true;
                    }
                }
                if (shared)
                    wake.notify_one();
                else
                    process(next);
            });
        };
        const auto work = [&] {
            std::unique_lock lock(mutex);
            for (;;) {
                wake.wait(lock, [&] { return !stack.empty() || pending == 0; });
                if (stack.empty())
                    return;
                const Job job = stack.back();
                stack.pop_back();
                lock.unlock();
                process(job);
                lock.lock();
                if (--pending == 0)
                    wake.notify_all();
            }
        };
        std::vector<std::thread> helpers;
        for (int i = 1; i < threads; ++i)
            helpers.emplace_back(work);
        work();
        for (std::thread& helper : helpers)
            helper.join();
    }

    static bool markVisits(Node* node)
    {
        bool below = false;
        for (const auto& child : node->children)
            below = markVisits(child.get()) || below;
        node->visit = node->dirty || node->wd < 0 || below;
        return node->visit;
    }

    // Brings a known folder (open as fd, taken) up to date: re-reads it if
    // reported or unwatched, else only descends to the folders below that
    // need it. New subfolders are queued in `fresh` for a full walk.
    void refresh(Tree* tree, Node* node, int fd, int depth, std::vector<Job>& fresh)
    {
        node->visit = false;
        if (!node->dirty && node->wd >= 0) {
            for (const auto& child : node->children) {
                if (!child->visit)
                    continue;
                const int childFd = openFolderAt(fd, child->name.c_str());
                struct stat info;
                if (childFd < 0 || ::fstat(childFd, &info) != 0 || info.st_dev != child->dev
                    || info.st_ino != child->ino) {
                    if (childFd >= 0)
                        ::close(childFd);
                    node->dirty = true; // the listing changed after all
                    break;
                }
                refresh(tree, child.get(), childFd, depth + 1, fresh);
            }
            if (!node->dirty) {
                ::close(fd);
                return;
            }
        }
        addWatch(tree, node, fd);
        node->dirty = false;
        std::unordered_map<std::string, std::unique_ptr<Node>> known;
        for (auto& child : node->children)
            known.emplace(child->name, std::move(child));
        node->children.clear();
        readFolder(tree, node, fd, depth, [&](const char* name, int childFd, const struct stat& info) {
            const auto it = known.find(name);
            if (it != known.end() && it->second->dev == info.st_dev && it->second->ino == info.st_ino) {
                Node* kept = it->second.get();
                node->children.push_back(std::move(it->second));
                known.erase(it);
                if (kept->visit)
                    refresh(tree, kept, childFd, depth + 1, fresh);
                else
                    ::close(childFd);
                return;
            }
            if (it != known.end()) {
                dropSubtree(tree, it->second.get());
                known.erase(it);
            }
            auto child = std::make_unique<Node>();
            child->name = name;
            child->dev = info.st_dev;
            child->ino = info.st_ino;
            fresh.push_back({child.get(), childFd, depth + 1});
            node->children.push_back(std::move(child));
        });
        for (auto& [name, gone] : known)
            dropSubtree(tree, gone.get());
    }

    // The figures of a tree from what is remembered; no disk access.
    static void summarise(Tree* tree)
    {
        Measurement result;
        std::unordered_set<std::string> seenLinks;
        int unwatched = 0;
        const QByteArray rootPath = QFile::encodeName(tree->root);
        std::function<void(const Node*, const QByteArray&)> add = [&](const Node* node, const QByteArray& path) {
            result.bytes += node->plainBytes;
            if (node->wd < 0)
                ++unwatched;
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
            for (const auto& child : node->children)
                add(child.get(), path + '/' + QByteArray::fromStdString(child->name));
        };
        QByteArray top = rootPath;
        while (top.size() > 1 && top.endsWith('/'))
            top.chop(1);
        add(tree->top.get(), top);
        tree->unwatched = unwatched;
        tree->result = std::move(result);
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
                            + QString::number(options.listFilesOver);
        const QByteArray path = QFile::encodeName(root);
        const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat info;
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
            tree->rewalk = false;
            tree->walkedAt = now;
            walk(tree, {{tree->top.get(), fd, 0}});
            summarise(tree);
            tree->changed = false;
        } else if (tree->changed || tree->unwatched > 0) {
            markVisits(tree->top.get());
            std::vector<Job> fresh;
            refresh(tree, tree->top.get(), fd, 0, fresh);
            walk(tree, fresh);
            summarise(tree);
            tree->changed = false;
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
