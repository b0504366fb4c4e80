#include "dashboard/pages/HistoryPage.h"

#include "support/InertServices.h"
#include "support/PrintCapture.h"
#include "telemetry/HistoryCsv.h"
#include "widgets/PlainLabel.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QCoro::Task<QString> silentReport(double, double, double, int) { co_return QString(); }

DVRSnapshot snapshot(const QDateTime& at, double cpu)
{
    DVRSnapshot s;
    s.id = QUuid::createUuid();
    s.timestamp = at;
    s.cpuUsage = cpu;
    return s;
}

} // namespace

TEST(HistoryPage, ShowsTheNewestSnapshotOnly)
{
    const QDateTime start(QDate(2026, 3, 1), QTime(14, 3, 27));
    for (const int count : {0, 1, 120}) {
        SCOPED_TRACE(count);
        InertServices s;
        QList<DVRSnapshot> ring;
        for (int i = 0; i < count; ++i)
            ring << snapshot(start.addSecs(2 * i), i == count - 1 ? 37.5 : 99.0);
        s.processMonitor->setDvrSnapshots(ring);
        HistoryPage page({s.stats.get(), s.processMonitor.get(), &s.themes, silentReport, {}});
        page.refreshNow();
        EXPECT_EQ(page.snapshotCard()->isVisibleTo(&page), count > 0);
        if (count == 0)
            continue;
        EXPECT_EQ(page.snapshotTimeLabel()->text(), HistoryPage::timeText(ring.last().timestamp));
        EXPECT_EQ(page.snapshotCpuLabel()->text(), "CPU: 37.5%");
    }
    EXPECT_EQ(HistoryPage::cpuText(0), "CPU: 0.0%");
    const QString time = HistoryPage::timeText(start);
    EXPECT_TRUE(time.contains(QStringLiteral("27"))) << time.toStdString(); // seconds, no date
    EXPECT_FALSE(time.contains(QStringLiteral("2026")));
}

TEST(HistoryPage, ExportRevealsTheWrittenFileAndNothingOnFailure)
{
    InertServices s;
    QStringList revealed;
    HistoryPage page({s.stats.get(), s.processMonitor.get(), &s.themes, silentReport,
                      [&](const QString& path) { revealed << path; }});
    page.exportButton()->click();
    ASSERT_EQ(revealed.size(), 1);
    EXPECT_TRUE(QFile::exists(revealed.first()));
    EXPECT_TRUE(QFileInfo(revealed.first()).fileName().startsWith(QStringLiteral("Kestrova_History_")));

    // A folder where the file should go: the write fails, nothing is shown.
    s.clock.advance(5000);
    QDir(s.dir.path()).mkpath(HistoryCsv::fileName(s.clock.now()));
    PrintCapture print;
    page.exportButton()->click();
    EXPECT_EQ(revealed.size(), 1);
}
