#include "platform/TreeSizeMeter.h"

#include "platform/FileWorker.h"
#include "platform/TreeSizeCache.h"

#include <QFutureWatcher>

TreeSizeMeter::TreeSizeMeter(QObject* parent) : QObject(parent), m_sizes(std::make_shared<TreeSizeCache>()) {}

TreeSizeMeter::~TreeSizeMeter() = default;

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
    // Mount points below the root are left out, as emptying the folder
    // leaves them: a purge that took all it may then reads 0.
    watcher->setFuture(FileWorker::shared().run(
        [root, sizes = m_sizes] { return sizes->totalSize(root, {.stayOnFileSystem = true}); }));
    return true;
}
