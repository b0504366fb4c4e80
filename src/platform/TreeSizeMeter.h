#pragma once

#include <QObject>
#include <QString>

// Measures the size of a folder tree on the file worker thread, one walk at
// a time: a request while a walk runs is dropped, and the caller keeps using
// the last result until measured() brings a new one.
class TreeSizeMeter : public QObject {
    Q_OBJECT

public:
    explicit TreeSizeMeter(QObject* parent = nullptr);

    // Starts a walk of `root` unless one is running. Returns whether it did.
    bool request(const QString& root);
    bool busy() const { return m_busy; }

signals:
    // Regular-file bytes below the root (links not followed); 0 when the
    // root is missing or empty.
    void measured(qint64 bytes);

private:
    bool m_busy = false;
};
