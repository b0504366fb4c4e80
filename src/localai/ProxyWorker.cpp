#include "localai/ProxyWorker.h"

#include "core/Print.h"
#include "localai/ProxyErrorText.h"
#include "localai/ProxyRoom.h"

#include <QMutexLocker>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <tuple>

namespace {

constexpr std::uint64_t wakeTag = 0; // pair tags start at 2
constexpr std::uint64_t listenerBit = std::uint64_t(1) << 63;
constexpr int acceptsPerWake = 64;
constexpr auto acceptPause = std::chrono::milliseconds(100);

// A listener has one socket per listening address; the low bits say which.
constexpr std::uint64_t listenerIndexBits = 4;
constexpr std::size_t maxListenAddresses = std::size_t(1) << listenerIndexBits;
std::uint64_t listenerTag(std::uint64_t id, std::size_t index) { return listenerBit | (id << listenerIndexBits) | index; }

socklen_t socketAddress(const QHostAddress& host, quint16 port, sockaddr_storage& storage)
{
    storage = {};
    if (host.protocol() == QAbstractSocket::IPv6Protocol) {
        auto* address = reinterpret_cast<sockaddr_in6*>(&storage);
        address->sin6_family = AF_INET6;
        address->sin6_port = htons(port);
        const Q_IPV6ADDR bytes = host.toIPv6Address();
        std::memcpy(&address->sin6_addr, bytes.c, sizeof bytes.c);
        address->sin6_scope_id = host.scopeId().toUInt();
        return sizeof(sockaddr_in6);
    }
    auto* address = reinterpret_cast<sockaddr_in*>(&storage);
    address->sin_family = AF_INET;
    address->sin_port = htons(port);
    address->sin_addr.s_addr = htonl(host.toIPv4Address());
    return sizeof(sockaddr_in);
}

quint16 boundPort(int fd)
{
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &length) != 0)
        return 0;
    if (storage.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port);
    return ntohs(reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
}

// Errors of accept(2) that concern one pending connection, not the listener.
bool transientAcceptError(int error)
{
    switch (error) {
    case EINTR:
    case ECONNABORTED:
    case EPROTO:
    case EPERM:
    case ENETDOWN:
    case ENOPROTOOPT:
    case EHOSTDOWN:
    case ENONET:
    case EHOSTUNREACH:
    case EOPNOTSUPP:
    case ENETUNREACH:
    case ETIMEDOUT:
        return true;
    default:
        return false;
    }
}

} // namespace

ProxyWorker::ProxyWorker(ProxySettings settings, Events events, QObject* parent)
    : QThread(parent), m_settings(std::move(settings)), m_events(std::move(events)),
      m_pairLimit(m_settings.maxConnectionPairs)
{
    setObjectName(QStringLiteral("com.kestrova.proxy.queue"));
    m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
    m_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = wakeTag;
    ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_wake, &event);

    m_context.epollFd = m_epoll;
    m_context.upstreamAddressLength =
        socketAddress(m_settings.upstreamHost, m_settings.upstreamPort, m_context.upstreamAddress);
    m_context.pipes = m_settings.spliceRelay ? &m_pipes : nullptr;
    m_context.modelRouted = m_events.modelRouted;
    m_lingering = std::make_unique<LingeringCloses>(m_epoll);
}

ProxyWorker::~ProxyWorker()
{
    stopAndJoin();
    ::close(m_wake);
    ::close(m_epoll);
}

void ProxyWorker::listen(std::uint64_t listener, quint16 port)
{
    post({Command::Kind::listen, listener, port});
}

void ProxyWorker::cancel(std::uint64_t listener)
{
    {
        // Shutting a listening socket down stops it at once (connects are
        // refused, the backlog is reset) without closing the descriptor
        // under the relay thread's feet; that thread closes it.
        QMutexLocker lock(&m_listenersMutex);
        const auto found = m_listeners.find(listener);
        if (found != m_listeners.end()) {
            for (const int fd : found->second)
                ::shutdown(fd, SHUT_RDWR);
            m_cancelled.insert(listener);
        }
    }
    post({Command::Kind::cancel, listener, 0});
}

void ProxyWorker::stopAndJoin()
{
    if (!isRunning())
        return;
    post({Command::Kind::quit});
    wait();
}

void ProxyWorker::post(Command command)
{
    {
        QMutexLocker lock(&m_commandMutex);
        m_commands.push_back(command);
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof one);
}

void ProxyWorker::run()
{
    // A write to a socket whose peer reset must not raise SIGPIPE in the
    // process; what splice(2) still raises stays pending on this thread.
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &blocked, nullptr);

    epoll_event events[64];
    while (!m_quit) {
        const int count = ::epoll_wait(m_epoll, events, 64, waitTimeout());
        if (count < 0 && errno != EINTR)
            break;
        for (int i = 0; i < count; ++i) {
            const std::uint64_t tag = events[i].data.u64;
            if (tag == wakeTag) {
                runCommands();
            } else if ((tag & listenerBit) == 0 && (tag & LingeringCloses::tagBit) != 0) {
                m_lingering->handle(tag);
            } else if (tag & listenerBit) {
                const std::uint64_t id = (tag & ~listenerBit) >> listenerIndexBits;
                const std::size_t index = tag & (maxListenAddresses - 1);
                const auto found = m_listeners.find(id);
                if (found != m_listeners.end() && index < found->second.size())
                    onListenerEvent(id, found->second[index], events[i].events);
            } else {
                // A pair closed earlier in this batch is simply not found.
                const std::uint64_t id = ProxyPair::pairId(tag);
                const auto found = m_pairs.find(id);
                if (found != m_pairs.end()) {
                    settle(id, found->second->handle(ProxyPair::side(tag), events[i].events));
                    track(id);
                }
            }
        }
        closeSlowRequests();
        closeAbandonedPairs();
        const auto now = std::chrono::steady_clock::now();
        m_lingering->expire(now);
        if (m_acceptResumesAt && now >= *m_acceptResumesAt) {
            m_acceptResumesAt.reset();
            m_roomFullAt.reset();
            updateListenerInterest();
        }
        if (m_capCheckAt && now >= *m_capCheckAt) {
            recountRoom(); // the rest of the application may have given some back
            if (!makeRoomAtCap())
                acceptWaiting(); // to hear of the limit at once
        }
        if (!m_again.empty()) {
            const std::vector<std::uint64_t> again = std::exchange(m_again, {});
            for (const std::uint64_t id : again) {
                const auto found = m_pairs.find(id);
                if (found != m_pairs.end()) {
                    settle(id, found->second->resume());
                    track(id);
                }
            }
        }
        if (m_roomFullAt && waiting() < *m_roomFullAt) {
            // A place in the waiting room came free: the backlog is looked
            // at again now, not after the pause.
            m_roomFullAt.reset();
            m_acceptResumesAt.reset();
            updateListenerInterest();
            if (waitingForRoom())
                m_capCheckAt = std::chrono::steady_clock::now();
        }
    }
    // Pairs end with the relay thread (the process is quitting).
    m_pairs.clear();
    m_awaitingHead.clear();
    m_abandonChecks.clear();
    m_abandonCheckOf.clear();
    m_again.clear();
    m_turningAway = 0;
    m_lingering->clear();
    while (!m_listeners.empty())
        closeListener(m_listeners.begin()->first);
}

int ProxyWorker::waitTimeout() const
{
    if (!m_again.empty())
        return 0;
    std::optional<std::chrono::steady_clock::time_point> wakeAt = m_acceptResumesAt;
    const auto wakeBy = [&wakeAt](std::chrono::steady_clock::time_point at) {
        wakeAt = wakeAt ? std::min(*wakeAt, at) : at;
    };
    if (!m_awaitingHead.empty())
        wakeBy(m_awaitingHead.begin()->second + m_settings.requestHeadTimeout);
    if (!m_abandonChecks.empty())
        wakeBy(m_abandonChecks.begin()->first);
    if (m_capCheckAt)
        wakeBy(*m_capCheckAt);
    if (const auto lingerCheck = m_lingering->nextCheck())
        wakeBy(*lingerCheck);
    if (!wakeAt)
        return -1;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(*wakeAt - std::chrono::steady_clock::now());
    return int(std::max<std::int64_t>(0, left.count() + 1));
}

void ProxyWorker::track(std::uint64_t pairId)
{
    const auto found = m_pairs.find(pairId);
    if (found == m_pairs.end() || found->second->requestHeadEnded())
        m_awaitingHead.erase(pairId);
    else
        m_awaitingHead.try_emplace(pairId, found->second->acceptedAt());
    // A pair come to rest gives way at once to a client that waits.
    if (m_capCheckAt && found != m_pairs.end() && found->second->idle())
        m_capCheckAt = std::chrono::steady_clock::now();
    if (found != m_pairs.end() && found->second->clientEnded() && !m_abandonCheckOf.count(pairId)) {
        const auto due = found->second->serverSilentSince() + m_settings.serverSilenceAfterClientEnd;
        m_abandonCheckOf.emplace(pairId, m_abandonChecks.emplace(due, pairId));
    }
}

void ProxyWorker::closeSlowRequests()
{
    const auto now = std::chrono::steady_clock::now();
    while (!m_awaitingHead.empty() && m_awaitingHead.begin()->second + m_settings.requestHeadTimeout <= now)
        refuseSlowRequest(m_awaitingHead.begin()->first, false);
}

void ProxyWorker::refuseSlowRequest(std::uint64_t pairId, bool gaveWay)
{
    const qint64 seconds = std::chrono::duration_cast<std::chrono::seconds>(m_settings.requestHeadTimeout).count();
    const QByteArray reason = gaveWay
        ? QByteArrayLiteral("Request headers not complete while other clients waited at the connection limit; "
                            "closed by the Kestrova local API proxy.")
        : "Request headers not complete within " + QByteArray::number(seconds)
            + " s of connecting; closed by the Kestrova local API proxy.";
    m_pairs.at(pairId)->tellClientWhyClosed(QByteArrayLiteral("408 Request Timeout"), reason);
    settle(pairId, ProxyPair::Status::finished);
    kestrova::print(gaveWay ? QStringLiteral("⏳ Local API Proxy closed a client whose request headers were not complete, "
                                             "to let a waiting client in")
                            : QStringLiteral("⏳ Local API Proxy closed a client whose request headers were not complete "
                                             "within %1 s").arg(seconds));
}

void ProxyWorker::closeAbandonedPairs()
{
    const auto now = std::chrono::steady_clock::now();
    while (!m_abandonChecks.empty() && m_abandonChecks.begin()->first <= now) {
        const std::uint64_t id = m_abandonChecks.begin()->second;
        m_abandonChecks.erase(m_abandonChecks.begin());
        const auto due = m_pairs.at(id)->serverSilentSince() + m_settings.serverSilenceAfterClientEnd;
        if (due <= now) {
            m_abandonCheckOf.erase(id);
            settle(id, ProxyPair::Status::finished);
        } else {
            m_abandonCheckOf[id] = m_abandonChecks.emplace(due, id); // the server spoke since
        }
    }
}

void ProxyWorker::runCommands()
{
    std::uint64_t counter;
    [[maybe_unused]] const ssize_t read = ::read(m_wake, &counter, sizeof counter);
    std::deque<Command> commands;
    {
        QMutexLocker lock(&m_commandMutex);
        commands.swap(m_commands);
    }
    for (const Command& command : commands) {
        switch (command.kind) {
        case Command::Kind::listen:
            openListener(command.listener, command.port);
            break;
        case Command::Kind::cancel:
            closeListener(command.listener);
            break;
        case Command::Kind::quit:
            m_quit = true;
            break;
        }
    }
}

void ProxyWorker::openListener(std::uint64_t id, quint16 port)
{
    std::vector<int> fds;
    int lastError = EADDRNOTAVAIL;
    bool failed = false;
    for (const QHostAddress& host : m_settings.listenAddresses) {
        sockaddr_storage address;
        const socklen_t length = socketAddress(host, port, address);
        const int fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            lastError = errno;
            if (lastError == EAFNOSUPPORT)
                continue; // no IPv6 in this kernel
            failed = true;
            break;
        }
        const int one = 1;
        // A restart must not wait for the last run's connections to leave
        // TIME_WAIT; two listeners on one port still conflict.
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (address.ss_family == AF_INET6)
            ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
            lastError = errno;
            ::close(fd);
            if (lastError == EADDRNOTAVAIL)
                continue; // that address is not configured here (IPv6 off)
            failed = true;
            break;
        }
        if (::listen(fd, SOMAXCONN) != 0) {
            lastError = errno;
            ::close(fd);
            failed = true;
            break;
        }
        fds.push_back(fd);
        if (port == 0)
            port = boundPort(fd); // the other addresses take the same port
        if (fds.size() == maxListenAddresses)
            break;
    }
    if (failed || fds.empty()) {
        for (const int fd : fds)
            ::close(fd);
        kestrova::print(QStringLiteral("❌ Failed to bind local proxy: ") + proxyErrorText(lastError));
        if (m_events.listenerGone)
            m_events.listenerGone(id);
        return;
    }
    for (std::size_t index = 0; index < fds.size(); ++index) {
        epoll_event event{};
        event.events = m_listenerInterest;
        event.data.u64 = listenerTag(id, index);
        ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, fds[index], &event);
    }
    {
        QMutexLocker lock(&m_listenersMutex);
        m_listeners[id] = std::move(fds);
    }
    if (m_events.listening)
        m_events.listening(id);
    kestrova::print(QStringLiteral("🚀 Local API Proxy listening on port ") + QString::number(port));
}

void ProxyWorker::closeListener(std::uint64_t id)
{
    QMutexLocker lock(&m_listenersMutex);
    m_cancelled.erase(id);
    const auto found = m_listeners.find(id);
    if (found == m_listeners.end())
        return;
    // Closing also drops connections still waiting in the backlog.
    for (const int fd : found->second)
        ::close(fd);
    m_listeners.erase(found);
}

bool ProxyWorker::cancelled(std::uint64_t id)
{
    QMutexLocker lock(&m_listenersMutex);
    return m_cancelled.count(id) != 0;
}

void ProxyWorker::failListener(std::uint64_t id, int error)
{
    if (cancelled(id)) {
        closeListener(id); // a cancelled listener's accept fails; expected
        return;
    }
    kestrova::print(QStringLiteral("❌ Proxy failed to start: ") + proxyErrorText(error));
    closeListener(id);
    if (m_events.listenerGone)
        m_events.listenerGone(id);
}

void ProxyWorker::onListenerEvent(std::uint64_t id, int fd, std::uint32_t events)
{
    if (events & EPOLLERR) {
        int error = 0;
        socklen_t length = sizeof error;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
        if (error != 0) {
            failListener(id, error);
            return;
        }
    }
    acceptOn(id, fd);
}

void ProxyWorker::acceptOn(std::uint64_t id, int fd)
{
    for (int i = 0; i < acceptsPerWake; ++i) {
        recountRoom();
        bool turnAway = false;
        if (atCap()) {
            // Those who come now wait in the backlog until a pair gives way
            // or ends.
            const bool mayGiveWay = m_capCheckAt || makeRoomAtCap();
            if (atCap() && mayGiveWay) {
                reportCapReached();
                return;
            }
            // With no pair that may give way (every one is answering, or the
            // rest of the application holds the descriptors, by a fresh
            // count), the client is taken on only to be told so.
            if (atCap())
                recountRoom(true);
            turnAway = atCap();
        }
        // Whoever is taken on may end with a lingering close, a place in the
        // waiting room. While that is full (or, for a client to be turned
        // away, the descriptors free allow no more), the rest stay in the
        // backlog.
        if (turnAway ? m_moreWaiting <= 0 : waitingRoomFull()) {
            pauseAccepting();
            waitForPlaceInRoom();
            return;
        }
        const int client = ::accept4(fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (client < 0) {
            const int error = errno;
            if (error == EAGAIN)
                return;
            if (transientAcceptError(error))
                continue;
            if (error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM) {
                // Out of descriptors or memory: retrying at once would spin.
                pauseAccepting();
                return;
            }
            failListener(id, error);
            return;
        }
        handleNewConnection(client, turnAway);
    }
    if (waitingForRoom())
        m_capCheckAt = std::chrono::steady_clock::now(); // the rest of the backlog, on the next turn
}

void ProxyWorker::waitForPlaceInRoom()
{
    // The listener is looked at again once one of those waiting leaves, or
    // after the pause (the rest of the process may give descriptors back).
    if (waiting() > 0)
        m_roomFullAt = waiting();
}

void ProxyWorker::acceptWaiting()
{
    for (const auto& [id, fds] : std::map(m_listeners)) {
        for (const int fd : fds)
            acceptOn(id, fd);
    }
}

void ProxyWorker::handleNewConnection(int client, bool turnAway)
{
    const int one = 1;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    // Counted before anything is read: a client that connects and closes counts.
    if (m_events.accepted)
        m_events.accepted();
    const std::uint64_t pairId = m_nextPairId++;
    auto pair = std::make_unique<ProxyPair>(pairId, client, m_context);
    if (turnAway)
        pair->turnAwayForLackOfRoom(m_pairLimit < m_settings.maxConnectionPairs
                                        ? QStringLiteral("too few free file descriptors")
                                        : QStringLiteral("every connection is answering a request"));
    if (pair->start() != ProxyPair::Status::finished) {
        m_pairs.emplace(pairId, std::move(pair));
        if (turnAway) {
            ++m_turningAway;
            --m_moreWaiting;
        }
        track(pairId);
    }
    if (atCap()) {
        updateListenerInterest();
        if (!turnAway)
            reportCapReached();
    }
}

void ProxyWorker::reportCapReached()
{
    if (m_capReported)
        return;
    m_capReported = true; // one line each time the cap is reached
    kestrova::print(QStringLiteral("⏳ Local API Proxy at its limit of %1 connections: new clients wait").arg(m_pairLimit));
}

bool ProxyWorker::clientWaiting() const
{
    for (const auto& [id, fds] : m_listeners) {
        for (const int fd : fds) {
            pollfd waiting{fd, POLLIN, 0};
            // A listener shut down by a stop reads as hung up, not as waiting.
            if (::poll(&waiting, 1, 0) > 0 && (waiting.revents & POLLIN) && !(waiting.revents & POLLHUP))
                return true;
        }
    }
    return false;
}

static std::chrono::nanoseconds threadCpuTime()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

void ProxyWorker::recountRoom(bool fresh)
{
    // Listing the open descriptors costs about 0.2 us each: while they are
    // plentiful, counted at most so often that the listing takes 1% of this
    // thread (its own CPU time: on a busy machine the wall time of a listing
    // includes waiting for a core); once they are scarce, at every accept, so
    // a burst of clients never overshoots the room.
    const auto started = std::chrono::steady_clock::now();
    if (!fresh && m_roomPlentiful && started < m_roomCountedAt + 100 * m_roomCountCost)
        return;
    const auto cpuStarted = threadCpuTime();
    ProxyRoom::Held held;
    held.pairs = pairsHeld();
    held.waiting = m_turningAway + m_lingering->size();
    for (const auto& [id, pair] : m_pairs)
        held.pairsWithoutUpstream += pair->needsUpstreamSocket() ? 1 : 0;
    held.idlePipes = m_settings.spliceRelay ? m_pipes.idleCount() : 0;
    const ProxyRoom room = ProxyRoom::now(m_settings.maxConnectionPairs, held);
    if (room.closeIdlePipes())
        m_pipes.clear();
    m_pipes.allowMore(room.morePipes());
    m_pairLimit = room.pairLimit();
    m_moreWaiting = room.moreWaiting();
    m_roomPlentiful = room.plentiful();
    // A limit that came down to the pairs held leaves arrivals waiting: the
    // listener must turn edge-triggered, or a waiting client keeps it
    // readable and this thread spins.
    updateListenerInterest();
    m_roomCountedAt = std::chrono::steady_clock::now();
    m_roomCountCost = threadCpuTime() - cpuStarted;
}

bool ProxyWorker::makeRoomAtCap()
{
    m_capCheckAt.reset();
    if (!atCap() || !clientWaiting()) {
        updateListenerInterest(); // room may have come back without a pair ending
        return true; // the next arrival asks again
    }
    if (waitingRoomFull()) {
        // A pair that gave way would only wait to close, and the newcomer
        // could not be taken on: both wait until a place comes free.
        waitForPlaceInRoom();
        return true;
    }
    const auto now = std::chrono::steady_clock::now();
    // A slow request first: trickling clients cannot keep each other alive.
    // Those taken on only to be turned away go soon enough by themselves.
    std::optional<std::chrono::steady_clock::time_point> slowGivesWayAt;
    const auto slowest = std::ranges::find_if(m_awaitingHead, [this](const auto& entry) {
        ProxyPair& pair = *m_pairs.at(entry.first);
        return !pair.turningAway() && !pair.holdsAnswer();
    });
    if (slowest != m_awaitingHead.end()) {
        slowGivesWayAt = slowest->second + m_settings.requestWaitAtCap;
        if (now >= *slowGivesWayAt) {
            refuseSlowRequest(slowest->first, true);
            return true;
        }
    }
    while (atCap()) {
        // Then the kept-alive connection at rest longest, as servers close
        // idle connections: its client connects again for its next request.
        // Failing that, the pair whose server has been silent longest while
        // its request is still coming (a byte now and then, or a body that
        // never ends), or whose traffic cannot be followed. A request sent in
        // full is never cut while it waits for its answer, nor an answer the
        // client has yet to take, unless it has read nothing for long.
        const ProxyPair* idlest = nullptr;
        const ProxyPair* quietest = nullptr;
        const ProxyPair* unread = nullptr;
        std::uint64_t idlestId = 0;
        std::uint64_t quietestId = 0;
        std::uint64_t unreadId = 0;
        for (const auto& [id, pair] : m_pairs) {
            if (pair->turningAway())
                continue;
            if (pair->holdsAnswer()) {
                if (!unread || pair->lastActivity() < unread->lastActivity())
                    std::tie(unread, unreadId) = std::pair(pair.get(), id);
            } else if (pair->idle()) {
                if (!idlest || pair->lastActivity() < idlest->lastActivity())
                    std::tie(idlest, idlestId) = std::pair(pair.get(), id);
            } else if (!pair->answerDue()) {
                if (!quietest || pair->serverSentAt() < quietest->serverSentAt())
                    std::tie(quietest, quietestId) = std::pair(pair.get(), id);
            }
        }
        if (idlest && idlest->clientUnread()) {
            // A request came that this turn has not read yet: read it now.
            settle(idlestId, m_pairs.at(idlestId)->handle(ProxyPair::Side::client, EPOLLIN));
            track(idlestId);
            continue;
        }
        if (idlest) {
            settle(idlestId, ProxyPair::Status::finished);
            kestrova::print(QStringLiteral("⏳ Local API Proxy closed a kept-alive connection at rest, "
                                           "to let a waiting client in"));
            return true;
        }
        const auto silentGivesWayAt = quietest ? quietest->serverSentAt() + m_settings.serverSilenceAtCap
                                               : std::chrono::steady_clock::time_point::max();
        if (now >= silentGivesWayAt) {
            closeUnansweredPair(quietestId);
            return true;
        }
        // Last of all, and never waited for: a client that left its answer
        // unread, nothing moving either way.
        if (unread && now >= unread->lastActivity() + m_settings.unreadAnswerAtCap) {
            closeUnreadAnswer(unreadId);
            return true;
        }
        if (!quietest) {
            if (slowGivesWayAt)
                m_capCheckAt = slowGivesWayAt;
            return slowGivesWayAt.has_value(); // else none may give way
        }
        m_capCheckAt = slowGivesWayAt ? std::min(*slowGivesWayAt, silentGivesWayAt) : silentGivesWayAt;
        return true;
    }
    return true;
}

void ProxyWorker::closeUnansweredPair(std::uint64_t pairId)
{
    const qint64 seconds = std::chrono::duration_cast<std::chrono::seconds>(m_settings.serverSilenceAtCap).count();
    // A client still waiting for its first answer is told why; one that was
    // answered before is closed like any idle kept-alive connection.
    m_pairs.at(pairId)->tellClientWhyClosed(QByteArrayLiteral("503 Service Unavailable"),
                                            "The model server sent nothing for " + QByteArray::number(seconds)
                                                + " s while other clients waited at the connection limit; "
                                                  "closed by the Kestrova local API proxy.");
    settle(pairId, ProxyPair::Status::finished);
    kestrova::print(QStringLiteral("⏳ Local API Proxy closed a connection whose model server had sent nothing for "
                                   "%1 s, to let a waiting client in")
                        .arg(seconds));
}

void ProxyWorker::closeUnreadAnswer(std::uint64_t pairId)
{
    const qint64 seconds = std::chrono::duration_cast<std::chrono::seconds>(m_settings.unreadAnswerAtCap).count();
    settle(pairId, ProxyPair::Status::finished);
    kestrova::print(QStringLiteral("⏳ Local API Proxy closed a connection whose client had read nothing of its answer "
                                   "for %1 s, to let a waiting client in")
                        .arg(seconds));
}

void ProxyWorker::pauseAccepting()
{
    m_acceptResumesAt = std::chrono::steady_clock::now() + acceptPause;
    updateListenerInterest();
}

void ProxyWorker::updateListenerInterest()
{
    // Paused (out of descriptors): not watched. At the cap: watched for
    // arrivals only (edge-triggered), which are left in the backlog.
    const std::uint32_t interest = m_acceptResumesAt ? 0u
        : waitingForRoom()                           ? std::uint32_t(EPOLLIN | EPOLLET)
                                                     : std::uint32_t(EPOLLIN);
    if (interest == m_listenerInterest)
        return;
    m_listenerInterest = interest;
    for (const auto& [id, fds] : m_listeners) {
        for (std::size_t index = 0; index < fds.size(); ++index) {
            epoll_event event{};
            event.events = interest;
            event.data.u64 = listenerTag(id, index);
            ::epoll_ctl(m_epoll, EPOLL_CTL_MOD, fds[index], &event);
        }
    }
}

void ProxyWorker::settle(std::uint64_t pairId, ProxyPair::Status status)
{
    switch (status) {
    case ProxyPair::Status::open:
        break;
    case ProxyPair::Status::again:
        m_again.push_back(pairId);
        break;
    case ProxyPair::Status::finished: {
        const auto found = m_pairs.find(pairId);
        if (found != m_pairs.end()) {
            if (found->second->turningAway())
                --m_turningAway;
            const int lingering = found->second->takeLingeringClient();
            if (lingering >= 0)
                m_lingering->add(lingering);
            m_pairs.erase(found);
        }
        m_awaitingHead.erase(pairId);
        const auto check = m_abandonCheckOf.find(pairId);
        if (check != m_abandonCheckOf.end()) {
            m_abandonChecks.erase(check->second);
            m_abandonCheckOf.erase(check);
        }
        if (!waitingForRoom()) {
            m_capReported = false;
            m_capCheckAt.reset();
            updateListenerInterest(); // the backlog is taken from at once
        } else if (m_capCheckAt) {
            m_capCheckAt = std::chrono::steady_clock::now(); // a client waits: look again
        }
        if (m_pairs.empty())
            m_pipes.clear(); // an idle proxy holds nothing but its listeners
        break;
    }
    }
}
