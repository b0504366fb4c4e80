#pragma once

#include "localai/SDKVersionInfo.h"

#include <QList>
#include <QString>

class TreeSizeCache;

// The toolchain versions that nvm, mise and asdf keep below the home folder:
//   nvm   .nvm/versions/node/<version>          (names starting with "v")
//   mise  .local/share/mise/installs/<tool>/<version>
//   asdf  .asdf/installs/<tool>/<version>
// Blocking file work: call it on the file worker thread.
class ToolchainInventory {
public:
    // Every visible version entry, oldest modification date first; equal dates
    // keep the order nvm, mise, asdf, each by name. Entries whose date cannot
    // be read take `now`. Version entries that are symbolic links are listed
    // (and measure 0); a linked tool folder is not entered. A size is what a
    // purge of the version may remove: 0 behind a linked folder. `sizes`
    // remembers the versions between scans.
    static QList<SDKVersionInfo> scan(const QString& home, const QDateTime& now, TreeSizeCache& sizes);

    // Whether `path` is, as text, a version entry directly below one of the
    // three roots of a sane `home`: absolute, clean (no ".." or "."), no hidden
    // part, and for nvm a name starting with "v". Says nothing about links on
    // the way; the confined removal checks those.
    static bool isVersionEntryPath(const QString& home, const QString& path);
};
