#include "platform/IcmpEcho.h"

#include "core/SignalWait.h"

#include <QSocketNotifier>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::uint8_t echoRequest = 8;
constexpr std::uint8_t echoReply = 0;
constexpr int headerSize = 8;

std::uint16_t checksum(const unsigned char* data, std::size_t size)
{
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        sum += std::uint32_t(data[i]) << 8 | data[i + 1];
    if (size % 2)
        sum += std::uint32_t(data[size - 1]) << 8;
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return std::uint16_t(~sum);
}

std::uint16_t readWord(const unsigned char* at)
{
    return std::uint16_t(at[0] << 8 | at[1]);
}

} // namespace

IcmpEcho::IcmpEcho(QObject* parent)
    : QObject(parent)
{
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (m_fd < 0) {
        m_fd = ::socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
        m_raw = m_fd >= 0;
    }
    if (m_fd < 0)
        return;
    // A datagram socket gets its identifier from the kernel, which also
    // hands it only its own replies; a raw socket sees every ICMP packet.
    m_identifier = std::uint16_t(::getpid());
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &IcmpEcho::readReplies);
    m_deadline = new QTimer(this);
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, [this] {
        if (!m_waiting)
            return;
        m_waiting = false;
        m_latency = 0;
        emit finished(0);
    });
}

IcmpEcho::~IcmpEcho()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QCoro::Task<double> IcmpEcho::echo(QString host, std::chrono::milliseconds timeout)
{
    sockaddr_in target{};
    target.sin_family = AF_INET;
    if (m_fd < 0 || m_waiting || ::inet_pton(AF_INET, host.toLatin1().constData(), &target.sin_addr) != 1)
        co_return 0.0;

    ++m_sequence;
    unsigned char packet[headerSize + 16] = {};
    packet[0] = echoRequest;
    packet[4] = std::uint8_t(m_identifier >> 8);
    packet[5] = std::uint8_t(m_identifier);
    packet[6] = std::uint8_t(m_sequence >> 8);
    packet[7] = std::uint8_t(m_sequence);
    std::memcpy(packet + headerSize, "kestrova-latency", 16);
    const std::uint16_t sum = checksum(packet, sizeof packet);
    packet[2] = std::uint8_t(sum >> 8);
    packet[3] = std::uint8_t(sum);

    m_sent.start();
    if (::sendto(m_fd, packet, sizeof packet, 0, reinterpret_cast<const sockaddr*>(&target), sizeof target) < 0)
        co_return 0.0;
    m_waiting = true;
    m_deadline->start(timeout);
    // Destroyed meanwhile (its owner went), the echo ends with its callers.
    co_await waitForSignal(this, &IcmpEcho::finished);
    co_return m_latency;
}

void IcmpEcho::readReplies()
{
    unsigned char buffer[1500];
    for (;;) {
        const ssize_t size = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (size < 0)
            return; // EAGAIN: drained
        const unsigned char* icmp = buffer;
        qsizetype length = size;
        if (m_raw) {
            // Raw sockets deliver the IP header first.
            if (length < 20)
                continue;
            const int ipHeader = (buffer[0] & 0x0f) * 4;
            icmp += ipHeader;
            length -= ipHeader;
        }
        if (!m_waiting || length < headerSize || icmp[0] != echoReply)
            continue;
        if (readWord(icmp + 6) != m_sequence || (m_raw && readWord(icmp + 4) != m_identifier))
            continue;
        const double latency = double(m_sent.nsecsElapsed()) / 1e6;
        m_waiting = false;
        m_deadline->stop();
        m_latency = latency;
        emit finished(latency);
    }
}
