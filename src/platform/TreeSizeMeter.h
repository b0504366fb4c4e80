#pragma once

#include <QObject>
#include <QString>

#include <memory>

class TreeSizeCache;

// Measures the size of a folder tree on the file worker thread, one walk at
// a time: a request while a walk runs is dropped, and the caller keeps using
// the last result until measured() brings a new one. What a walk reads is
// remembered, so measuring an unchanged tree again reads next to nothing.
class TreeSizeMeter : public QObject {
    Q_OBJECT

public:
    explicit TreeSizeMeter(QObject* parent = nullptr);
    ~TreeSizeMeter() override;

    // Starts a walk of `root` unless one is running. Returns whether it did.
    bool request(const QString& root);
    bool busy() const { return m_busy; }

signals:
    // Regular-file bytes below the root (links not followed, mount points
    // below it left out); 0 when the root is missing or empty.
    void measured(qint64 bytes);

private:
    bool m_busy = false;
    std::shared_ptr<TreeSizeCache> m_sizes; // used on the file worker only
};
