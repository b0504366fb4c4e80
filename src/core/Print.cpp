#include "core/Print.h"

#include <QMutex>
#include <QMutexLocker>

#include <cstdio>

namespace kestrova {
namespace {

QMutex& printMutex()
{
    static QMutex mutex;
    return mutex;
}

PrintSink& currentSink()
{
    static PrintSink sink;
    return sink;
}

} // namespace

void print(const QString& line)
{
    QMutexLocker lock(&printMutex());
    if (auto& sink = currentSink()) {
        sink(line);
        return;
    }
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

PrintSink setPrintSink(PrintSink sink)
{
    QMutexLocker lock(&printMutex());
    return std::exchange(currentSink(), std::move(sink));
}

} // namespace kestrova
