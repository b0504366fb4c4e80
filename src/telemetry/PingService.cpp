#include "telemetry/PingService.h"

#include "core/Print.h"
#include "platform/CommandRunner.h"
#include "platform/IcmpEcho.h"
#include "platform/ToolCommands.h"

#include <QPointer>
#include <QStringDecoder>
#include <QTimer>

#include <charconv>
#include <chrono>
#include <cmath>
#include <optional>

using namespace std::chrono_literals;

namespace {

constexpr auto interval = 2000ms;
// ping gives up after one second by itself (-w 1); the limit only catches a
// child that hangs, and stays below the interval so ticks never pile up.
constexpr auto pingTimeout = 1500ms;
// The in-process echo waits as long as ping's own deadline.
constexpr auto echoTimeout = 1000ms;

// The value between "time=" and the following " ms" of ping's reply line,
// when that text is a whole decimal number. Parsing ignores the locale, so
// "12,345" is refused rather than read as 12 or 12345.
std::optional<double> roundTripTime(const QByteArray& output)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(output);
    if (utf8.hasError())
        return std::nullopt;
    const qsizetype marker = text.indexOf(QLatin1String("time="));
    if (marker < 0)
        return std::nullopt;
    const qsizetype start = marker + 5;
    const qsizetype end = text.indexOf(QLatin1String(" ms"), start);
    if (end < 0)
        return std::nullopt;
    const QByteArray number = text.mid(start, end - start).toUtf8();
    double value = 0;
    const char* first = number.constData();
    const char* last = first + number.size();
    const auto [stop, error] = std::from_chars(first, last, value);
    if (number.isEmpty() || error != std::errc() || stop != last || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

const QString PingService::defaultHost = QStringLiteral("1.1.1.1");

PingService::PingService(QString host, QObject* parent)
    : PingService(Deps{nullptr, std::move(host), true}, true, parent)
{
}

PingService::PingService(Deps deps, bool autoStart, QObject* parent)
    : ObservableObject(parent),
      m_runner(deps.runner ? *deps.runner : CommandRunner::system()),
      m_host(std::move(deps.host))
{
    if (deps.inProcess)
        m_echo = new IcmpEcho(this);
    m_timer = new QTimer(this);
    m_timer->setInterval(interval);
    connect(m_timer, &QTimer::timeout, this, [this] { tick(); });
    if (autoStart)
        m_timer->start();
}

PingService::~PingService() = default;

bool PingService::pingsInProcess() const
{
    return m_echo && m_echo->isOpen();
}

QCoro::Task<> PingService::tick()
{
    if (m_pinging)
        co_return;
    m_pinging = true;
    QPointer<PingService> self(this);

    if (pingsInProcess()) {
        QCoro::Task<double> echo = m_echo->echo(m_host, echoTimeout);
        const double latency = co_await echo;
        if (!self)
            co_return;
        m_pinging = false;
        record(latency);
        co_return;
    }

    const CommandResult result = co_await m_runner.runTool(ToolCommands::ping(m_host), pingTimeout);
    if (!self)
        co_return;
    m_pinging = false;

    if (!result.started) {
        kestrova::print(QStringLiteral("Ping failed: ") + result.errorString);
        record(0);
        co_return;
    }
    // Only the printed time decides; the exit status is not consulted.
    record(roundTripTime(result.standardOutput).value_or(0));
}

void PingService::record(double latency)
{
    QList<double> history = m_latencyHistory;
    history.removeFirst();
    history.append(latency);
    assign(m_currentLatency, latency, &PingService::currentLatencyChanged);
    assign(m_latencyHistory, std::move(history), &PingService::latencyHistoryChanged);
}
