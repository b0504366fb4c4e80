#pragma once

#include <QByteArray>
#include <QString>

#include <climits>
#include <functional>
#include <sys/stat.h>

// Walks a folder tree without following symbolic links: links are reported
// as links (never as their targets) and linked folders are not entered, so a
// tree is never left and nothing is counted twice through a link. Reads with
// openat/fstatat relative to open folders, walking down iteratively with a
// bounded number of open descriptors at any depth; meant for the file
// worker thread, never the main thread. Mounts below the root are entered
// unless stayOnFileSystem: mounted folders and files are then left out, and
// the figures are what deletion would take.
class FileWalker {
public:
    struct Options {
        bool includeHidden = true;   // names starting with '.'
        int maxDepth = INT_MAX;      // deeper folders are skipped
        bool stayOnFileSystem = false; // mount points below the root (folders, files) are skipped
    };

    // Called for every entry that is not a folder (regular files, links,
    // sockets, ...), with its path in the file system's encoding and its
    // lstat data. Return false to stop the walk. A folder's own entries
    // come before those of its subfolders.
    using Visitor = std::function<bool(const QByteArray& path, const struct stat& info)>;

    // Visits the entries below root. A root that is missing, not a folder or
    // a symbolic link visits nothing.
    static void forEachFile(const QString& root, const Visitor& visit, Options options);
    static void forEachFile(const QString& root, const Visitor& visit) { forEachFile(root, visit, Options{}); }

    // The sum of the sizes of the regular files below root (links and other
    // entries count 0). Missing root gives 0.
    static qint64 totalSize(const QString& root, Options options);
    static qint64 totalSize(const QString& root) { return totalSize(root, Options{}); }
};
