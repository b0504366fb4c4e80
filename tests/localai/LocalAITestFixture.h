#pragma once

#include "fakes/FakeClock.h"
#include "fakes/FakeCommandRunner.h"
#include "fakes/FakeProcessSignaller.h"
#include "fakes/ManualScheduler.h"
#include "localai/LocalAIService.h"
#include "platform/FileWorker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

// A /proc stand-in: the listening-socket tables of tests/data/localai and
// process folders with "socket:[inode]" fd links, comm and stat.
class FixtureProc {
public:
    FixtureProc()
    {
        QDir().mkpath(m_dir.filePath(QStringLiteral("net")));
        for (const char* name : {"tcp", "tcp6"})
            QFile::copy(QStringLiteral(KESTROVA_TEST_DATA "/localai/proc/net/") + QLatin1String(name),
                        m_dir.filePath(QStringLiteral("net/") + QLatin1String(name)));
        write(m_dir.filePath(QStringLiteral("uptime")), "5000.00 9000.00\n");
    }

    // `stat` defaults to a line whose start time is 1000 + pid.
    void addProcess(qint32 pid, const QByteArray& comm, const QList<quint64>& inodes, QByteArray stat = {})
    {
        const QString base = m_dir.filePath(QString::number(pid));
        QDir().mkpath(base + QStringLiteral("/fd"));
        setComm(pid, comm);
        if (stat.isEmpty())
            stat = QByteArray::number(pid) + " (" + comm + ") S 1 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 "
                 + QByteArray::number(1000 + pid) + " 1000 100\n";
        write(base + QStringLiteral("/stat"), stat);
        int fd = 3;
        for (quint64 inode : inodes)
            QFile::link(QStringLiteral("socket:[%1]").arg(inode), base + QStringLiteral("/fd/%1").arg(fd++));
    }
    // The executable link (its target need not exist).
    void setExe(qint32 pid, const QString& target)
    {
        QFile::link(target, m_dir.filePath(QString::number(pid)) + QStringLiteral("/exe"));
    }
    void setComm(qint32 pid, const QByteArray& comm)
    {
        write(m_dir.filePath(QString::number(pid)) + QStringLiteral("/comm"), comm + '\n');
    }
    QString root() const { return m_dir.path(); }

private:
    static void write(const QString& path, const QByteArray& data)
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(data);
    }
    QTemporaryDir m_dir;
};

// Inert doubles around one LocalAIService with demo mode off.
struct LocalAITestFixture {
    FakeClock clock;
    ManualScheduler scheduler{false};
    FakeCommandRunner commands;
    FakeProcessSignaller signaller;
    FixtureProc proc;
    QTemporaryDir homeDir;
    std::unique_ptr<LocalAIService> service;

    LocalAIService::Deps deps(const QUrl& serverUrl = QUrl(QStringLiteral("http://127.0.0.1:9")))
    {
        LocalAIService::Deps d;
        d.clock = &clock;
        d.scheduler = &scheduler;
        d.commands = &commands;
        d.signaller = &signaller;
        d.fileWorker = &FileWorker::shared();
        d.paths.procRoot = proc.root();
        d.paths.home = homeDir.path();
        d.modelServerUrl = serverUrl;
        return d;
    }
    LocalAIService& make(LocalAIService::Deps d)
    {
        service = std::make_unique<LocalAIService>(std::move(d), false);
        service->setDemoMode(false);
        return *service;
    }
    LocalAIService& make() { return make(deps()); }
    QString home() const { return homeDir.path(); }
};
