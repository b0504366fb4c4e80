#include "telemetry/HistoryCsv.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace {
const QDateTime kNow = QDateTime(QDate(2026, 12, 8), QTime(2, 16, 52, 250), QTimeZone::utc());
}

TEST(HistoryCsvTest, RowsEndOneSecondBeforeNowInUtcWithShortestNumbers)
{
    const QByteArray text = HistoryCsv::content({12.0, 37.5, 0.1 + 0.2}, kNow.toTimeZone(QTimeZone(3600)));
    EXPECT_EQ(text, QByteArray("Timestamp,CPUUsage%\n"
                               "2026-12-08 02:16:49 +0000,12.0\n"
                               "2026-12-08 02:16:50 +0000,37.5\n"
                               "2026-12-08 02:16:51 +0000,0.30000000000000004\n"));
    EXPECT_EQ(HistoryCsv::content({}, kNow), QByteArray("Timestamp,CPUUsage%\n"));

    QList<double> sixty(60, 1.0);
    EXPECT_EQ(HistoryCsv::content(sixty, kNow).count('\n'), 61);
}

TEST(HistoryCsvTest, NamesCarryTheFractionSoTwoExportsInOneSecondDiffer)
{
    EXPECT_EQ(HistoryCsv::fileName(kNow), QStringLiteral("Kestrova_History_1796696212.25.csv"));
    EXPECT_NE(HistoryCsv::fileName(kNow), HistoryCsv::fileName(kNow.addMSecs(300)));
}
