// Throughput and added latency of the local API proxy on loopback, against a
// direct connection to the same upstream and against socat relaying the same
// way (bench/proxy_relay_compare.sh prints the medians and ratios).

#include "localai/LocalAPIProxyService.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

constexpr qint64 streamBytes = qint64(1) << 30;
constexpr char streamRequest[] = "STREAM\n";
// The same stream as an HTTP answer, whose framing the proxy follows.
constexpr char httpStreamRequest[] = "GET /stream HTTP/1.1\r\nHost: localhost\r\n\r\n";
constexpr char httpStreamHead[] = "HTTP/1.1 200 OK\r\nContent-Length: 1073741824\r\n\r\n";

int loopbackSocket(quint16 port, bool listening)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const int result = listening ? ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address)
                                 : ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    if (result != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

quint16 portOf(int fd)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

quint16 freePort()
{
    const int fd = loopbackSocket(0, true);
    const quint16 port = portOf(fd);
    ::close(fd);
    return port;
}

bool writeAll(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size_t(size), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data += sent;
        size -= sent;
    }
    return true;
}

bool readExactly(int fd, char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t got = ::recv(fd, data, size_t(size), 0);
        if (got <= 0)
            return false;
        data += got;
        size -= got;
    }
    return true;
}

// The upstream of every target: a connection whose first bytes are
// streamRequest gets streamBytes and an end; any other is echoed.
class BenchUpstream {
public:
    BenchUpstream()
    {
        m_fd = loopbackSocket(0, true);
        ::listen(m_fd, SOMAXCONN);
        m_port = portOf(m_fd);
        m_acceptor = std::thread([this] {
            for (;;) {
                const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd < 0) {
                    if (errno == EINTR || errno == ECONNABORTED)
                        continue;
                    return;
                }
                const int one = 1;
                ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                std::thread(serve, fd).detach(); // ends with its connection
            }
        });
    }
    ~BenchUpstream()
    {
        ::shutdown(m_fd, SHUT_RDWR);
        m_acceptor.join();
        ::close(m_fd);
    }
    quint16 port() const { return m_port; }

private:
    static void serve(int fd)
    {
        std::vector<char> buffer(256 * 1024);
        ssize_t got = ::recv(fd, buffer.data(), buffer.size(), 0);
        const std::string_view request(buffer.data(), size_t(std::max<ssize_t>(got, 0)));
        if (request == httpStreamRequest && !writeAll(fd, httpStreamHead, sizeof httpStreamHead - 1))
            got = 0;
        if (request == streamRequest || request == httpStreamRequest) {
            for (qint64 left = streamBytes; left > 0; left -= qint64(buffer.size())) {
                if (!writeAll(fd, buffer.data(), std::min<qint64>(left, qint64(buffer.size()))))
                    break;
            }
        } else {
            while (got > 0 && writeAll(fd, buffer.data(), got))
                got = ::recv(fd, buffer.data(), buffer.size(), 0);
        }
        ::close(fd);
    }

    int m_fd = -1;
    quint16 m_port = 0;
    std::thread m_acceptor;
};

enum class Target { direct, proxy, proxyCopy, socat };

const char* targetName(Target target)
{
    switch (target) {
    case Target::direct:
        return "direct";
    case Target::proxy:
        return "proxy";
    case Target::proxyCopy:
        return "proxy_copy";
    case Target::socat:
        return "socat";
    }
    return "";
}

bool waitForListener(quint16 port)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const int fd = loopbackSocket(port, false);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// The upstream and the three relays in front of it, made on first use and
// torn down before the application object goes.
class Targets {
public:
    static Targets& get()
    {
        static Targets* targets = [] {
            auto* made = new Targets;
            qAddPostRoutine([] { delete &get(); });
            return made;
        }();
        return *targets;
    }

    // 0 when the target could not be set up (socat not installed).
    quint16 port(Target target)
    {
        switch (target) {
        case Target::direct:
            return m_upstream.port();
        case Target::proxy:
            return m_proxyPort;
        case Target::proxyCopy:
            return m_copyProxyPort;
        case Target::socat:
            return m_socatPort;
        }
        return 0;
    }

    ~Targets()
    {
        if (m_socat > 0) {
            ::kill(m_socat, SIGTERM);
            ::waitpid(m_socat, nullptr, 0);
        }
    }

private:
    Targets()
    {
        m_proxyPort = startProxy(m_proxy, true);
        m_copyProxyPort = startProxy(m_copyProxy, false);
        m_socatPort = startSocat();
    }

    quint16 startProxy(std::unique_ptr<LocalAPIProxyService>& proxy, bool splice)
    {
        ProxySettings settings;
        settings.upstreamPort = m_upstream.port();
        settings.listenAddresses = {QHostAddress(QHostAddress::LocalHost)};
        settings.spliceRelay = splice;
        proxy = std::make_unique<LocalAPIProxyService>(settings);
        const quint16 port = freePort();
        proxy->startProxy(port);
        return waitForListener(port) ? port : 0;
    }

    quint16 startSocat()
    {
        const quint16 port = freePort();
        // socat as one would run it: default options, a child per connection.
        const std::string listen = "TCP-LISTEN:" + std::to_string(port) + ",bind=127.0.0.1,reuseaddr,fork";
        const std::string connect = "TCP:127.0.0.1:" + std::to_string(m_upstream.port());
        m_socat = ::fork();
        if (m_socat == 0) {
            // Dies with the benchmark even if that is killed, and keeps no
            // pipe of the caller open.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            ::execl("/usr/bin/socat", "socat", listen.c_str(), connect.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        if (m_socat < 0)
            return 0;
        return waitForListener(port) ? port : 0;
    }

    BenchUpstream m_upstream;
    std::unique_ptr<LocalAPIProxyService> m_proxy;
    std::unique_ptr<LocalAPIProxyService> m_copyProxy;
    quint16 m_proxyPort = 0;
    quint16 m_copyProxyPort = 0;
    pid_t m_socat = -1;
    quint16 m_socatPort = 0;
};

double medianMicroseconds(std::vector<double>& samples)
{
    if (samples.empty())
        return 0;
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return samples[samples.size() / 2];
}

double since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
}

// One 1 GiB answer (bare, or after an HTTP head) read to its end through a
// fresh connection.
void streamOneGiB(benchmark::State& state, Target target, bool http)
{
    const std::string_view request = http ? httpStreamRequest : streamRequest;
    const qint64 expected = streamBytes + (http ? qint64(sizeof httpStreamHead - 1) : 0);
    const quint16 port = Targets::get().port(target);
    if (port == 0) {
        state.SkipWithError("target not available");
        return;
    }
    std::vector<char> buffer(256 * 1024);
    for (auto _ : state) {
        const int fd = loopbackSocket(port, false);
        writeAll(fd, request.data(), qint64(request.size()));
        qint64 total = 0;
        ssize_t got;
        while ((got = ::recv(fd, buffer.data(), buffer.size(), 0)) > 0)
            total += got;
        ::close(fd);
        if (total != expected) {
            state.SkipWithError("stream cut short");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * streamBytes);
}

// Request/answer pairs of `size` bytes on one kept connection.
void roundTrip(benchmark::State& state, Target target, qint64 size)
{
    const quint16 port = Targets::get().port(target);
    if (port == 0) {
        state.SkipWithError("target not available");
        return;
    }
    const int fd = loopbackSocket(port, false);
    std::vector<char> request(static_cast<size_t>(size), 'r');
    std::vector<char> answer(static_cast<size_t>(size));
    std::vector<double> samples;
    samples.reserve(size_t(state.max_iterations));
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!writeAll(fd, request.data(), size) || !readExactly(fd, answer.data(), size)) {
            state.SkipWithError("round trip failed");
            break;
        }
        samples.push_back(since(start));
    }
    ::close(fd);
    state.counters["p50_us"] = medianMicroseconds(samples);
}

// Connect, one 64-byte request and its answer, close.
void openConnection(benchmark::State& state, Target target)
{
    const quint16 port = Targets::get().port(target);
    if (port == 0) {
        state.SkipWithError("target not available");
        return;
    }
    char request[64] = "GET /api/tags HTTP/1.1";
    char answer[64];
    std::vector<double> samples;
    samples.reserve(size_t(state.max_iterations));
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int fd = loopbackSocket(port, false);
        const bool ok = fd >= 0 && writeAll(fd, request, sizeof request) && readExactly(fd, answer, sizeof answer);
        ::close(fd);
        if (!ok) {
            state.SkipWithError("connection failed");
            break;
        }
        samples.push_back(since(start));
    }
    state.counters["p50_us"] = medianMicroseconds(samples);
}

// Bounded loops: socat waits about 40 ms on every 16 KiB round trip and
// forks for every connection, so it gets fewer iterations.
const bool registered = [] {
    for (const Target target : {Target::direct, Target::proxy, Target::proxyCopy, Target::socat}) {
        const std::string name = targetName(target);
        benchmark::RegisterBenchmark(("ProxyRelay/stream_1GiB/" + name).c_str(), streamOneGiB, target, false)
            ->Iterations(1)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        if (target != Target::socat)
            benchmark::RegisterBenchmark(("ProxyRelay/stream_1GiB_http/" + name).c_str(), streamOneGiB, target, true)
                ->Iterations(1)
                ->UseRealTime()
                ->Unit(benchmark::kMillisecond);
        if (target == Target::proxyCopy)
            continue; // the fallback path matters for throughput only
        const bool slow = target == Target::socat;
        benchmark::RegisterBenchmark(("ProxyRelay/roundtrip_64B/" + name).c_str(), roundTrip, target, qint64(64))
            ->Iterations(slow ? 5000 : 20000)
            ->UseRealTime()
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("ProxyRelay/roundtrip_16KiB/" + name).c_str(), roundTrip, target,
                                     qint64(16384))
            ->Iterations(slow ? 25 : 10000)
            ->UseRealTime()
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("ProxyRelay/open_connection/" + name).c_str(), openConnection, target)
            ->Iterations(slow ? 100 : 1000)
            ->UseRealTime()
            ->Unit(benchmark::kMicrosecond);
    }
    return true;
}();

} // namespace
