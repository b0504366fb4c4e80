// The listening-port scan reads /proc where the design ran lsof; on this
// machine's kernel it must list what the real lsof lists, for the sockets
// this test opens itself.
#include "localai/ListeningPortScanner.h"
#include "platform/ProcessCommandRunner.h"
#include "platform/ToolPaths.h"
#include "support/TaskRunner.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTcpServer>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace std::chrono_literals;

TEST(ListeningPortsLive, TheScanFindsOurListenersAsLsofDoes)
{
    QTcpServer v4, v6;
    ASSERT_TRUE(v4.listen(QHostAddress::LocalHost));
    const bool haveV6 = v6.listen(QHostAddress::LocalHostIPv6);
    const qint32 self = qint32(::getpid());
    QFile commFile(QStringLiteral("/proc/self/comm"));
    ASSERT_TRUE(commFile.open(QIODevice::ReadOnly));
    const QString comm = QString::fromUtf8(commFile.readAll()).trimmed();

    ListeningPortScanner scanner;
    QSet<int> scanned;
    for (const LocalPortInfo& row : scanner.scan().ports) {
        if (row.pid != self)
            continue;
        scanned.insert(int(row.port));
        EXPECT_EQ(row.processName, comm);
    }
    EXPECT_TRUE(scanned.contains(v4.serverPort()));
    if (haveV6) {
        EXPECT_TRUE(scanned.contains(v6.serverPort()));
    }

    const QString lsof = ToolPaths::tool(QStringLiteral("lsof"));
    if (!lsof.contains(QLatin1Char('/')))
        GTEST_SKIP() << "lsof is not installed";
    // The design's line, limited to this process (-a -p) to stay quick.
    ProcessCommandRunner runner;
    const auto listed = runTask(runner.run(lsof, {"-a", "-p", QString::number(self), "-i", "-P", "-n"}, 20s));
    ASSERT_TRUE(listed && listed->started) << (listed ? listed->errorString.toStdString() : "");
    static const QRegularExpression blank(QStringLiteral("[ \\t]+"));
    QSet<int> fromLsof;
    for (const QString& line : QString::fromUtf8(listed->standardOutput).split(QLatin1Char('\n'))) {
        const QStringList columns = line.split(blank, Qt::SkipEmptyParts);
        if (!line.contains(QLatin1String("LISTEN")) || columns.size() < 9 || columns[1].toInt() != self)
            continue;
        fromLsof.insert(columns[8].section(QLatin1Char(':'), -1).toInt());
    }
    EXPECT_EQ(scanned, fromLsof) << listed->standardOutput.toStdString();
}
