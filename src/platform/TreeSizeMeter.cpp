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
    watcher->setFuture(FileWorker::shared().run([root, sizes = m_sizes] { return sizes->totalSize(root, {}); }));
    return true;
}
