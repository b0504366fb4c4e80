#include "platform/FileWorker.h"

#include <QCoreApplication>

FileWorker& FileWorker::shared()
{
    static FileWorker worker;
    return worker;
}

FileWorker::FileWorker()
{
    // One thread makes the pool a FIFO queue; it never expires so the jobs
    // of a session share one thread.
    m_pool.setMaxThreadCount(1);
    m_pool.setExpiryTimeout(-1);
    m_pool.setObjectName(QStringLiteral("kestrova-file-worker"));
}

FileWorker::~FileWorker()
{
    m_pool.waitForDone();
}
