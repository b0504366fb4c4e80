#include "core/Print.h"

#include <QMutex>
#include <QMutexLocker>

#include <chrono>
#include <cstdio>

namespace kestrova {
namespace {

constexpr auto repeatReportInterval = std::chrono::minutes(1);

struct Printer {
    QMutex mutex;
    PrintSink sink;
    QString lastLine;
    bool hasLastLine = false;
    qint64 repeats = 0;
    std::chrono::steady_clock::time_point countingSince;

    ~Printer() // a count still held at exit
    {
        QMutexLocker lock(&mutex);
        flushRepeats();
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
};

Printer& printer()
{
    static Printer instance;
    return instance;
}

} // namespace

void print(const QString& line)
{
    Printer& state = printer();
    QMutexLocker lock(&state.mutex);
    const auto now = std::chrono::steady_clock::now();
    if (state.hasLastLine && line == state.lastLine) {
        if (state.repeats++ == 0)
            state.countingSince = now;
        else if (now - state.countingSince >= repeatReportInterval)
            state.flushRepeats(); // a flood that goes on still shows, once a minute
        return;
    }
    state.flushRepeats();
    state.write(line);
    state.lastLine = line;
    state.hasLastLine = true;
}

QString repeatedLine(qint64 count)
{
    return QStringLiteral("(last line repeated %1 more time%2)").arg(count).arg(count == 1 ? "" : "s");
}

PrintSink setPrintSink(PrintSink sink)
{
    Printer& state = printer();
    QMutexLocker lock(&state.mutex);
    state.flushRepeats();
    state.hasLastLine = false;
    state.lastLine.clear();
    return std::exchange(state.sink, std::move(sink));
}

} // namespace kestrova
