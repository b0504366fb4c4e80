#include "platform/SocketTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

QString fixtureProc() { return QStringLiteral(KESTROVA_TEST_DATA "/sockets/proc"); }

// A /proc copy with fd links "socket:[inode]" for some processes.
class FakeProc {
public:
    FakeProc()
    {
        QDir().mkpath(m_dir.filePath(QStringLiteral("net")));
        for (const char* name : {"tcp", "tcp6"})
            QFile::copy(fixtureProc() + QStringLiteral("/net/") + QLatin1String(name),
                        m_dir.filePath(QStringLiteral("net/") + QLatin1String(name)));
    }
    void addProcess(int pid, const QByteArray& comm, const QList<quint64>& inodes)
    {
        const QString base = m_dir.filePath(QString::number(pid));
        QDir().mkpath(base + QStringLiteral("/fd"));
        QFile f(base + QStringLiteral("/comm"));
        f.open(QIODevice::WriteOnly);
        f.write(comm + '\n');
        int fd = 3;
        for (quint64 inode : inodes)
            QFile::link(QStringLiteral("socket:[%1]").arg(inode), base + QStringLiteral("/fd/%1").arg(fd++));
    }
    void removeProcess(int pid) { QDir(m_dir.filePath(QString::number(pid))).removeRecursively(); }
    QString root() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

} // namespace

TEST(SocketTableTest, ParsesBothFamiliesIntoLsofStyleEndpoints)
{
    SocketTable table(fixtureProc());
    const QList<TcpSocket> established = table.read(TcpSocket::established);
    ASSERT_EQ(established.size(), 5);
    EXPECT_EQ(established[0].localEndpoint(), QStringLiteral("10.0.0.2:54321"));
    EXPECT_EQ(established[0].remoteEndpoint(), QStringLiteral("140.90.112.3:443"));
    EXPECT_EQ(established[0].inode, 2001u);
    EXPECT_EQ(established[0].uid, 1000u);
    EXPECT_TRUE(established[1].remoteIsLoopback());
    EXPECT_TRUE(established[2].remoteIsLoopback()) << "::1";
    EXPECT_EQ(established[2].remoteEndpoint(), QStringLiteral("[::1]:11434"));
    EXPECT_FALSE(established[3].remoteIsLoopback()) << "2606:4700::1111 merely ends in ::1";
    EXPECT_EQ(established[3].remoteEndpoint(), QStringLiteral("[2606:4700::1111]:443"));
    EXPECT_EQ(established[3].localEndpoint(), QStringLiteral("[2001:db8::2]:54325"));
    EXPECT_EQ(established[4].remoteEndpoint(), QStringLiteral("140.90.112.3:80")) << "v4-mapped";

    const QList<TcpSocket> listening = table.read(TcpSocket::listen);
    ASSERT_EQ(listening.size(), 3);
    EXPECT_EQ(listening[0].localPort, 11434);
    EXPECT_EQ(listening[1].localEndpoint(), QStringLiteral("0.0.0.0:8080"));
    EXPECT_EQ(listening[2].localEndpoint(), QStringLiteral("[::]:11434"));
}

TEST(SocketTableTest, FindsOwnersAndNoticesWhenTheyGo)
{
    FakeProc proc;
    proc.addProcess(4100, "ollama", {1001, 1003});
    proc.addProcess(4200, "curl", {2001});
    SocketTable table(proc.root());
    auto owners = table.owners({1001, 1003, 2001, 9999});
    ASSERT_EQ(owners.size(), 3);
    EXPECT_EQ(owners.value(1001).pid, 4100);
    EXPECT_EQ(owners.value(1003).name, QStringLiteral("ollama"));
    EXPECT_EQ(owners.value(2001).name, QStringLiteral("curl"));
    EXPECT_FALSE(owners.contains(9999));

    // The socket changes hands: the remembered owner is re-checked.
    proc.removeProcess(4200);
    proc.addProcess(4300, "wget", {2001});
    owners = table.owners({2001});
    EXPECT_EQ(owners.value(2001).pid, 4300);
}

TEST(SocketTableTest, SeesOurOwnLoopbackConnection)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, server.serverPort());
    ASSERT_TRUE(client.waitForConnected(2000));
    ASSERT_TRUE(server.waitForNewConnection(2000));

    SocketTable table;
    const QList<TcpSocket> listening = table.read(TcpSocket::listen);
    const auto it = std::find_if(listening.begin(), listening.end(),
                                 [&](const TcpSocket& s) { return s.localPort == server.serverPort(); });
    ASSERT_NE(it, listening.end());
    const auto owners = table.owners({it->inode});
    EXPECT_EQ(owners.value(it->inode).pid, qint32(::getpid()));
}

TEST(SocketTableTest, NetlinkAndTextTablesAgreeOnThisMachine)
{
    // Other processes open and close sockets between the reads, so only our
    // own sockets are compared: same endpoints, same inodes, IPv4 first,
    // listening and established, over both families.
    QTcpServer v4, v6;
    ASSERT_TRUE(v4.listen(QHostAddress::LocalHost));
    ASSERT_TRUE(v6.listen(QHostAddress::LocalHostIPv6));
    QTcpSocket toV6, toV4;
    toV6.connectToHost(QHostAddress::LocalHostIPv6, v6.serverPort());
    toV4.connectToHost(QHostAddress::LocalHost, v4.serverPort());
    ASSERT_TRUE(toV6.waitForConnected(2000) && toV4.waitForConnected(2000));
    const QList<quint16> ports = {v4.serverPort(), v6.serverPort()};
    const auto ours = [&](const QList<TcpSocket>& sockets) {
        QStringList found;
        for (const TcpSocket& s : sockets)
            if (ports.contains(s.localPort) || ports.contains(s.remotePort))
                found << s.localEndpoint() + QLatin1Char('#') + QString::number(s.inode);
        return found;
    };
    // Two listeners; each connection is two established sockets, ours and the server's.
    for (auto [state, count] : {std::pair{TcpSocket::listen, 2}, std::pair{TcpSocket::established, 4}}) {
        // "/proc/" names the same tree but takes the text path.
        const QStringList overNetlink = ours(SocketTable(QStringLiteral("/proc")).read(state));
        const QStringList asText = ours(SocketTable(QStringLiteral("/proc/")).read(state));
        EXPECT_EQ(overNetlink.size(), count) << int(state);
        EXPECT_EQ(QSet<QString>(overNetlink.begin(), overNetlink.end()), QSet<QString>(asText.begin(), asText.end()));
        EXPECT_FALSE(overNetlink.value(0).startsWith(QLatin1Char('['))) << "IPv4 rows come first";
    }
}
