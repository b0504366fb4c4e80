#pragma once

#include <QFuture>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

// The one serial worker thread for file work: cache passes, tree walks and
// purges run here in the order they were queued, never overlapping and never
// on the main thread. Callers co_await the returned future (QCoroFuture) and
// apply the result on the main thread.
class FileWorker {
public:
    static FileWorker& shared();

    FileWorker();
    ~FileWorker();

    template <typename Function>
    auto run(Function&& function)
    {
        return QtConcurrent::run(&m_pool, std::forward<Function>(function));
    }

    // Blocks until every queued job has finished (tests and shutdown).
    void waitForIdle() { m_pool.waitForDone(); }

private:
    QThreadPool m_pool;
};
