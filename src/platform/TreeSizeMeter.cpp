#include "platform/TreeSizeMeter.h"

#include "platform/FileWalker.h"
#include "platform/FileWorker.h"

#include <QFutureWatcher>

TreeSizeMeter::TreeSizeMeter(QObject* parent) : QObject(parent) {}

bool TreeSizeMeter::request(const QString& root)
{
    if (m_busy)
        return false;
    m_busy = true;
    auto* watcher = new QFutureWatcher<qint64>(this);
    connect(watcher, &QFutureWatcher<qint64>::finished, this, [this, watcher] {
        watcher->deleteLater();
        m_busy = false;
        emit measured(watcher->result());
    });
    watcher->setFuture(FileWorker::shared().run([root] { return FileWalker::totalSize(root); }));
    return true;
}
