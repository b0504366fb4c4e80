#pragma once

#include "platform/SafeDelete.h"

#include <QList>
#include <QString>

#include <memory>

class InotifyWatchBudget;

// Sizes folder trees and remembers what it measured, so that measuring the
// same tree again re-reads only the folders that may have changed.
//
// The rules are those of FileWalker::totalSize: regular files only, links
// never followed (a root that is a link measures 0), a file with several
// hard links counted once per tree. A first walk reads folders on a few
// threads. A folder it reads gets an inotify watch while the process's
// share of the account's watches lasts (InotifyWatchBudget); a watch reports
// entries added, removed, renamed or written below it, and a later pass
// drains those reports and re-reads just the folders named. Folders without
// a watch are checked by their change time instead, a bounded number per
// pass in turn, and re-read when it moved (an entry added, removed or
// renamed); a few such folders are simply re-read every pass, which also
// catches files rewritten in place. Every tree is walked afresh at a long
// interval, so a missed change cannot stay wrong for long.
//
// Per folder it keeps its name, identity, the sum of its files and its
// subfolders; nothing per file except files with several links and files
// over the listing threshold. Meant for the file worker thread; calls are
// serialised.
class TreeSizeCache {
public:
    struct Options {
        bool includeHidden = true;   // names starting with '.'
        qint64 listFilesOver = -1;   // list files larger than this; negative: none
        // Leave out mount points below the root, folders and files alike, as
        // deletion leaves them in place (a bind mount of the same file system
        // included).
        bool stayOnFileSystem = false;
        // Set: the root is reached as a removal inside this folder reaches it
        // (SafeDelete::openReach), so that with stayOnFileSystem the figures
        // are what that removal may take, 0 where it refuses.
        QString removalRoot;
        SafeDelete::Scope removalScope = SafeDelete::Scope::whole;
    };

    struct LargeFile {
        QString path;
        qint64 size = 0;
    };

    struct Measurement {
        qint64 bytes = 0;
        QList<LargeFile> largeFiles; // in walk order
    };

    struct Deps {
        int threads = 0;              // first walks; 0: the machine's cores, at most 8
        int watchLimit = -1;          // watches this cache may hold; negative: what the budget gives
        int fullWalkSeconds = 3600;   // a tree older than this is walked afresh
        InotifyWatchBudget* watchBudget = nullptr; // null: the process's share (InotifyWatchBudget::shared)
        int checksPerPass = 512;      // unwatched folders whose change time a pass looks at
    };

    TreeSizeCache();
    explicit TreeSizeCache(Deps deps);
    ~TreeSizeCache();
    TreeSizeCache(const TreeSizeCache&) = delete;
    TreeSizeCache& operator=(const TreeSizeCache&) = delete;

    Measurement measure(const QString& root, Options options);
    qint64 totalSize(const QString& root, Options options) { return measure(root, options).bytes; }

    // What the work has cost so far: folders listed, and watches held now.
    quint64 directoryReads() const;
    int watchCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
