#pragma once

#include "localai/LingeringCloses.h"
#include "localai/PipePool.h"
#include "localai/ProxyPair.h"
#include "localai/ProxySettings.h"

#include <QMutex>
#include <QThread>

#include <sys/epoll.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

// The local API proxy's one relay thread. It owns every socket of the proxy
// (listeners and connection pairs) and runs them from one epoll loop, so all
// their callbacks are serialised. Commands come in through a queue; what
// happens is reported through Events, which are called on this thread.
class ProxyWorker final : public QThread {
public:
    struct Events {
        std::function<void(std::uint64_t listener)> listening; // ready to accept
        std::function<void(std::uint64_t listener)> listenerGone; // bind failed, or failed later
        std::function<void()> accepted; // a client connection was taken on
        std::function<void(const QString& model)> modelRouted;
    };

    ProxyWorker(ProxySettings settings, Events events, QObject* parent = nullptr);
    // Stops the thread, closing every socket, and waits for it.
    ~ProxyWorker() override;

    // Binds the listening sockets on `port` (0: any free port, the same one
    // on every address). Callable from any thread.
    void listen(std::uint64_t listener, quint16 port);
    // Stops accepting on that listener; pairs already accepted go on. New
    // connections are refused from the moment this returns.
    void cancel(std::uint64_t listener);
    // Ends the loop, closes listeners and pairs, and joins the thread.
    void stopAndJoin();

protected:
    void run() override;

private:
    struct Command {
        enum class Kind { listen, cancel, quit } kind;
        std::uint64_t listener = 0;
        quint16 port = 0;
    };

    void post(Command command);
    void runCommands();
    void openListener(std::uint64_t id, quint16 port);
    void closeListener(std::uint64_t id);
    bool cancelled(std::uint64_t id);
    void failListener(std::uint64_t id, int error);
    void onListenerEvent(std::uint64_t id, int fd, std::uint32_t events);
    void acceptOn(std::uint64_t id, int fd);
    void handleNewConnection(int client, bool turnAway);
    void reportCapReached();
    // Pairs relaying or about to, not those taken on only to be turned away.
    int pairsHeld() const { return int(m_pairs.size()) - m_turningAway; }
    bool atCap() const { return pairsHeld() >= m_pairLimit; }
    // At the cap with a pair to wait for; with none, a client is taken on
    // to be turned away.
    bool waitingForRoom() const { return atCap() && !m_pairs.empty(); }
    // Connections held beside the pairs: those taken on to be turned away,
    // and lingering closes. They share one waiting room, as large as the
    // cap; while it is full, newcomers wait in the backlog.
    int waiting() const { return m_turningAway + m_lingering->size(); }
    bool waitingRoomFull() const { return waiting() >= m_settings.maxConnectionPairs; }
    void waitForPlaceInRoom();
    void recountRoom(bool fresh = false);
    bool clientWaiting() const;
    // At the cap with a client waiting, closes a pair that gives way now or
    // sets when one will; false when none may.
    bool makeRoomAtCap();
    void acceptWaiting();
    void closeUnansweredPair(std::uint64_t pairId);
    void closeUnreadAnswer(std::uint64_t pairId);
    void pauseAccepting();
    void updateListenerInterest();
    void settle(std::uint64_t pairId, ProxyPair::Status status);
    int waitTimeout() const;
    void track(std::uint64_t pairId);
    void closeSlowRequests();
    void refuseSlowRequest(std::uint64_t pairId, bool gaveWay);
    void closeAbandonedPairs();

    const ProxySettings m_settings;
    const Events m_events;
    int m_epoll = -1;
    int m_wake = -1;

    QMutex m_commandMutex;
    std::deque<Command> m_commands;

    // Listening sockets by listener. Changed on the relay thread only, under
    // the mutex, so cancel() may read them from another thread.
    QMutex m_listenersMutex;
    std::map<std::uint64_t, std::vector<int>> m_listeners;
    std::set<std::uint64_t> m_cancelled;

    // Touched on the relay thread only.
    std::unordered_map<std::uint64_t, std::unique_ptr<ProxyPair>> m_pairs;
    std::vector<std::uint64_t> m_again;
    // Pairs whose client's request head has not ended, by when they were
    // taken on, oldest first (ids only grow).
    std::map<std::uint64_t, std::chrono::steady_clock::time_point> m_awaitingHead;
    // Pairs whose client has ended, by when the server's silence would end
    // them; a server byte since then moves the deadline when it comes due.
    using Deadlines = std::multimap<std::chrono::steady_clock::time_point, std::uint64_t>;
    Deadlines m_abandonChecks;
    std::unordered_map<std::uint64_t, Deadlines::iterator> m_abandonCheckOf;
    std::uint64_t m_nextPairId = 1;
    // Pairs the proxy may hold now: its cap, or fewer when descriptors are
    // short (counted when clients are taken on).
    int m_pairLimit;
    // Pairs taken on beyond the cap only to be told of the limit, and how
    // many more may be (with those closing, they are bounded like the pairs
    // by the descriptors free).
    int m_turningAway = 0;
    int m_moreWaiting = 0;
    // While the waiting room is full, how many it held: the backlog is
    // looked at again as soon as fewer are left.
    std::optional<int> m_roomFullAt;
    std::chrono::steady_clock::time_point m_roomCountedAt;
    std::chrono::steady_clock::duration m_roomCountCost{};
    bool m_roomPlentiful = false;
    bool m_capReported = false;
    bool m_quit = false;
    std::optional<std::chrono::steady_clock::time_point> m_acceptResumesAt;
    // At the cap with a client waiting: when the next pair gives way, or
    // now when a pair has ended or come to rest.
    std::optional<std::chrono::steady_clock::time_point> m_capCheckAt;
    std::uint32_t m_listenerInterest = EPOLLIN; // what the listening sockets are watched for
    PipePool m_pipes;
    ProxyPair::Context m_context;
    std::unique_ptr<LingeringCloses> m_lingering;
};
