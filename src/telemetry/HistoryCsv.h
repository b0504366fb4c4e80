#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// The CPU history export: its file name and text.
namespace HistoryCsv {

// "Kestrova_History_<seconds since 1970 with fraction>.csv"
QString fileName(const QDateTime& now);

// The header "Timestamp,CPUUsage%" and one row per entry, oldest first; the
// newest row lies one second before `now`.
QByteArray content(const QList<double>& history, const QDateTime& now);

} // namespace HistoryCsv
