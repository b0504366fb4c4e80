#include "platform/FileWorker.h"
#include "support/TaskRunner.h"

#include <QCoroFuture>
#include <QThread>

#include <gtest/gtest.h>

TEST(FileWorkerTest, RunsJobsInOrderOffTheMainThread)
{
    FileWorker worker;
    QList<int> order;
    QThread* main = QThread::currentThread();
    bool offMain = true;
    QList<QFuture<void>> futures;
    for (int i = 0; i < 5; ++i) {
        futures << worker.run([&, i] {
            offMain = offMain && QThread::currentThread() != main;
            QThread::msleep(5);
            order << i; // serial: no lock needed
        });
    }
    auto task = [&]() -> QCoro::Task<int> {
        co_await futures.last();
        QFuture<int> answer = worker.run([] { return 42; });
        co_return co_await answer;
    };
    EXPECT_EQ(runTask(task()), 42);
    EXPECT_EQ(order, (QList<int>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(offMain);
}
