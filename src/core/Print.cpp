#include "core/Print.h"

#include <QMutex>
#include <QMutexLocker>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <utility>

namespace kestrova {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr auto repeatReportInterval = std::chrono::minutes(1);
// Enough for an honest burst (a start, a failure and its detail); a peer
// that makes one place print faster than this is counted instead.
constexpr auto kindWindow = std::chrono::seconds(1);
constexpr int linesPerKindWindow = 5;
constexpr qsizetype sampleLength = 80;

struct Kind {
    SteadyClock::time_point windowStart;
    int written = 0;
    qint64 heldBack = 0;
    QString lastWritten;
};

struct Printer {
    QMutex mutex;
    PrintSink sink;
    QString lastLine;
    bool hasLastLine = false;
    qint64 repeats = 0;
    SteadyClock::time_point countingSince;
    // One entry per place that prints: a bounded set. A file's name is one
    // literal per translation unit, so its address serves as its key.
    std::map<std::pair<const char*, std::uint_least32_t>, Kind> kinds;
    int kindsHoldingBack = 0;

    ~Printer() // counts still held at exit
    {
        QMutexLocker lock(&mutex);
        flushRepeats();
        flushHeldBack(nullptr);
    }

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

    void flushRepeats()
    {
        if (repeats > 0)
            write(repeatedLine(repeats));
        repeats = 0;
    }

    void flushKind(Kind& kind)
    {
        if (kind.heldBack == 0)
            return;
        write(heldBackLine(kind.heldBack, kind.lastWritten));
        kind.heldBack = 0;
        --kindsHoldingBack;
    }

    // The counts of kinds whose window is over (every count without `now`).
    void flushHeldBack(const SteadyClock::time_point* now)
    {
        for (auto it = kinds.begin(); kindsHoldingBack > 0 && it != kinds.end(); ++it) {
            if (!now || *now - it->second.windowStart >= kindWindow)
                flushKind(it->second);
        }
    }
};

Printer& printer()
{
    static Printer instance;
    return instance;
}

} // namespace

void print(const QString& line, std::source_location kind)
{
    Printer& state = printer();
    QMutexLocker lock(&state.mutex);
    const auto now = SteadyClock::now();
    if (state.hasLastLine && line == state.lastLine) {
        if (state.repeats++ == 0)
            state.countingSince = now;
        else if (now - state.countingSince >= repeatReportInterval)
            state.flushRepeats(); // a flood that goes on still shows, once a minute
        return;
    }
    Kind& spent = state.kinds[{kind.file_name(), kind.line()}];
    if (now - spent.windowStart >= kindWindow) {
        state.flushRepeats();
        state.flushKind(spent);
        spent.windowStart = now;
        spent.written = 0;
    }
    if (spent.written >= linesPerKindWindow) {
        if (spent.heldBack++ == 0)
            ++state.kindsHoldingBack;
        // A line left out ends a run of repeats: what comes next is not
        // "the last line" again.
        state.flushRepeats();
        state.hasLastLine = false;
        return;
    }
    state.flushRepeats();
    state.flushHeldBack(&now);
    state.write(line);
    ++spent.written;
    spent.lastWritten = line;
    state.lastLine = line;
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
    state.flushRepeats();
    state.flushHeldBack(nullptr);
    state.hasLastLine = false;
    state.lastLine.clear();
    state.kinds.clear();
    return std::exchange(state.sink, std::move(sink));
}

} // namespace kestrova
