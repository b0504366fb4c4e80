#include "telemetry/HistoryCsv.h"

#include "core/Format.h"

#include <QTimeZone>

namespace HistoryCsv {

QString fileName(const QDateTime& now)
{
    const double seconds = double(now.toMSecsSinceEpoch()) / 1000.0;
    return QStringLiteral("Kestrova_History_") + kestrova::shortestDouble(seconds) + QStringLiteral(".csv");
}

QByteArray content(const QList<double>& history, const QDateTime& now)
{
    QByteArray text = "Timestamp,CPUUsage%\n";
    const qsizetype n = history.size();
    const QDateTime utcNow = now.toUTC();
    for (qsizetype i = 0; i < n; ++i) {
        const QDateTime at = utcNow.addSecs(i - n);
        text += at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8() + " +0000,"
              + kestrova::shortestDouble(history[i]).toUtf8() + '\n';
    }
    return text;
}

} // namespace HistoryCsv
