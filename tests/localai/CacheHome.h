#pragma once

#include "fakes/FakeClock.h"
#include "localai/BuildCacheService.h"
#include "platform/FileWorker.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSemaphore>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <memory>

// File helpers for tests that build a home folder in a temp dir.
namespace cachehome {

inline void writeFile(const QString& path, qsizetype size)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(QByteArray(size, 'x'));
}

inline void makeDir(const QString& path) { ASSERT_TRUE(QDir().mkpath(path)) << path.toStdString(); }

inline void link(const QString& target, const QString& linkPath)
{
    QDir().mkpath(QFileInfo(linkPath).path());
    ASSERT_TRUE(QFile::link(target, linkPath)) << linkPath.toStdString();
}

// Sets a file's or folder's modification time without following a link.
inline void setModified(const QString& path, const QDateTime& when)
{
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = when.toSecsSinceEpoch();
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

inline bool exists(const QString& path) { return QFileInfo(path).exists() || QFileInfo(path).isSymLink(); }

inline bool isEmptyDir(const QString& path)
{
    return QFileInfo(path).isDir()
        && QDir(path).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Keeps the worker's one thread busy until released, so a test can see what
// waits for file work and what does not.
class WorkerHold {
public:
    explicit WorkerHold(FileWorker& worker)
    {
        m_done = worker.run([this] {
            m_started.release();
            m_gate.acquire();
        });
        m_started.acquire();
    }
    ~WorkerHold()
    {
        release();
        m_done.waitForFinished();
    }
    void release()
    {
        if (!m_released) {
            m_released = true;
            m_gate.release();
        }
    }

private:
    QSemaphore m_started;
    QSemaphore m_gate;
    bool m_released = false;
    QFuture<void> m_done;
};

} // namespace cachehome

// A temp home, its own file worker and a service over it, demo off.
class CacheHomeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        home = dir.filePath(QStringLiteral("home"));
        outside = dir.filePath(QStringLiteral("outside"));
        QDir().mkpath(home);
        service = makeService(home);
    }
    void TearDown() override
    {
        service.reset();
        worker.waitForIdle();
    }

    std::unique_ptr<BuildCacheService> makeService(const QString& homePath, bool autoStart = false)
    {
        return std::make_unique<BuildCacheService>(
            BuildCacheService::Deps{.home = homePath,
                                    .demoMode = [this] { ++demoReads; return demo; },
                                    .worker = &worker,
                                    .clock = &clock},
            autoStart);
    }

    QString inHome(const QString& relative) const { return home + QLatin1Char('/') + relative; }

    QTemporaryDir dir;
    QString home;
    QString outside;   // a place symlink traps point at; must survive
    bool demo = false;
    int demoReads = 0;
    FakeClock clock{QDateTime::currentDateTime()};
    FileWorker worker;
    std::unique_ptr<BuildCacheService> service;
};
