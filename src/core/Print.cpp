#include "core/Print.h"

#include "core/Clock.h"

#include <QCoreApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <map>
#include <utility>

namespace kestrova {
namespace {

constexpr qint64 repeatReportMs = 60'000;
// Enough for an honest burst (a start, a failure and its detail); a peer
// that makes one place print faster than this is counted instead.
constexpr qint64 kindWindowMs = 1000;
constexpr int linesPerKindWindow = 5;
constexpr qsizetype sampleLength = 80;
constexpr qint64 never = std::numeric_limits<qint64>::min() / 2;

// The place that prints. A file's name is one literal per translation unit,
// so its address serves as its key.
using KindKey = std::pair<const char*, std::uint_least32_t>;

struct Kind {
    qint64 windowStart = never;
    int written = 0; // in this window, notes included
    qint64 heldBack = 0;
    QString lastWritten;
};

struct Printer {
    QMutex mutex;
    PrintSink sink;
    // Taken first, so that it outlives this at exit.
    const Clock& systemClock = Clock::system();
    const Clock* clock = nullptr; // the system's when null
    QString lastLine;
    KindKey lastKind;
    bool hasLastLine = false;
    qint64 repeats = 0;
    qint64 countingSince = 0;
    std::map<KindKey, Kind> kinds; // one entry per place that prints: a bounded set
    int kindsHoldingBack = 0;
    qint64 timerDue = 0; // the window end the armed timer is for
    bool timerArmed = false;

    ~Printer() // counts still held at exit
    {
        QMutexLocker lock(&mutex);
        flushAll();
    }

    qint64 now() const { return (clock ? *clock : systemClock).monotonicMs(); }

    void write(const QString& line)
    {
        if (sink) {
            sink(line);
            return;
        }
        const QByteArray bytes = line.toUtf8();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }

    // Takes one line of the kind's budget for its second, starting a new
    // second (and sending the last one's count) once the last is over.
    bool spend(Kind& kind, qint64 at)
    {
        if (at - kind.windowStart >= kindWindowMs) {
            flushKind(kind, at);
            kind.windowStart = at;
            kind.written = 0;
        }
        if (kind.written >= linesPerKindWindow)
            return false;
        ++kind.written;
        return true;
    }

    void holdBack(Kind& kind, qint64 count)
    {
        if (kind.heldBack == 0) {
            ++kindsHoldingBack;
            armTimer(kind.windowStart + kindWindowMs);
        }
        kind.heldBack += count;
    }

    // The note for a run of repeats counts against the repeated line's kind;
    // when that kind has no room left, the repeats join its count.
    void flushRepeats(qint64 at)
    {
        const qint64 count = std::exchange(repeats, 0);
        if (count == 0)
            return;
        Kind& kind = kinds[lastKind];
        if (spend(kind, at))
            write(repeatedLine(count));
        else
            holdBack(kind, count);
    }

    void flushKind(Kind& kind, qint64 at)
    {
        if (kind.heldBack == 0)
            return;
        flushRepeats(at); // a run ends before the count, which is not its line
        if (kind.heldBack == 0)
            return;
        write(heldBackLine(std::exchange(kind.heldBack, 0), kind.lastWritten));
        --kindsHoldingBack;
        hasLastLine = false;
    }

    // The counts of kinds whose second is over.
    void flushDue(qint64 at)
    {
        for (auto it = kinds.begin(); kindsHoldingBack > 0 && it != kinds.end(); ++it)
            if (at - it->second.windowStart >= kindWindowMs)
                flushKind(it->second, at);
    }

    void flushAll()
    {
        const qint64 at = now();
        flushRepeats(at);
        for (auto& [key, kind] : kinds)
            flushKind(kind, at);
    }

    // Everything held goes out, then the guard starts afresh (a new sink
    // or clock).
    void restart()
    {
        flushAll();
        hasLastLine = false;
        lastLine.clear();
        kinds.clear();
        kindsHoldingBack = 0;
        timerArmed = false;
    }

    // A count goes out when its second ends even if nothing more is
    // printed: a timer on the application's thread (which is never
    // blocked) sends it. Without an application it goes with the next line.
    void armTimer(qint64 due)
    {
        if (timerArmed && timerDue <= due)
            return;
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return;
        timerArmed = true;
        timerDue = due;
        const int delayMs = int(qBound<qint64>(1, due - now() + 1, kindWindowMs + 1));
        auto start = [app = QPointer<QCoreApplication>(app), due, delayMs] {
            if (app)
                QTimer::singleShot(delayMs, app.data(), [due] { onTimer(due); });
        };
        if (QThread::currentThread() == app->thread())
            start();
        else
            QMetaObject::invokeMethod(app, start, Qt::QueuedConnection);
    }

    static void onTimer(qint64 due);
};

Printer& printer()
{
    static Printer instance;
    return instance;
}

void Printer::onTimer(qint64 due)
{
    Printer& state = printer();
    QMutexLocker lock(&state.mutex);
    if (!state.timerArmed || state.timerDue != due)
        return; // a timer for an earlier plan
    state.timerArmed = false;
    const qint64 at = state.now();
    state.flushDue(at);
    qint64 next = std::numeric_limits<qint64>::max();
    for (const auto& [key, kind] : state.kinds)
        if (kind.heldBack > 0)
            next = std::min(next, kind.windowStart + kindWindowMs);
    if (next != std::numeric_limits<qint64>::max())
        state.armTimer(next);
}

} // namespace

void print(const QString& line, std::source_location kind)
{
    Printer& state = printer();
    QMutexLocker lock(&state.mutex);
    const qint64 now = state.now();
    state.flushDue(now);
    const KindKey key{kind.file_name(), kind.line()};
    if (state.hasLastLine && key == state.lastKind && line == state.lastLine) {
        if (state.repeats++ == 0)
            state.countingSince = now;
        else if (now - state.countingSince >= repeatReportMs)
            state.flushRepeats(now); // a flood that goes on still shows, once a minute
        return;
    }
    state.flushRepeats(now);
    Kind& spent = state.kinds[key];
    if (!state.spend(spent, now)) {
        state.holdBack(spent, 1);
        // A line left out ends a run of repeats: what comes next is not
        // "the last line" again.
        state.hasLastLine = false;
        return;
    }
    state.write(line);
    spent.lastWritten = line;
    state.lastLine = line;
    state.lastKind = key;
    state.hasLastLine = true;
}

QString repeatedLine(qint64 count)
{
    return QStringLiteral("(last line repeated %1 more time%2)").arg(count).arg(count == 1 ? "" : "s");
}

QString heldBackLine(qint64 count, const QString& like)
{
    QString sample = like;
    if (sample.size() > sampleLength) {
        sample.truncate(sampleLength - 1);
        if (sample.back().isHighSurrogate())
            sample.chop(1); // never half an emoji
        sample += QChar(0x2026);
    }
    return QStringLiteral("(%1 more line%2 like \"%3\" left out)").arg(count).arg(count == 1 ? "" : "s", sample);
}

PrintSink setPrintSink(PrintSink sink)
{
    Printer& state = printer();
    QMutexLocker lock(&state.mutex);
    state.restart();
    return std::exchange(state.sink, std::move(sink));
}

const Clock* setPrintClock(const Clock* clock)
{
    Printer& state = printer();
    QMutexLocker lock(&state.mutex);
    state.restart();
    return std::exchange(state.clock, clock);
}

} // namespace kestrova
