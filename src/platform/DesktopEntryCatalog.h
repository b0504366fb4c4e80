#pragma once

#include "platform/DesktopEntry.h"

#include <QList>
#include <QStringList>

#include <optional>

// The installed application entries, read from a list of "applications"
// folders in order of precedence: an entry in an earlier folder hides an
// entry of the same id (its path below the folder) in a later one. Reads
// the folders on every call; run it off the main thread.
class DesktopEntryCatalog {
public:
    explicit DesktopEntryCatalog(QStringList applicationDirs);

    // $XDG_DATA_HOME/applications, then the ones of $XDG_DATA_DIRS.
    static QStringList standardDirs();

    // Every startable entry, in precedence order.
    QList<DesktopEntry> entries() const;

    // The entry that starts this very program file (through links and
    // PATH), by Exec or else TryExec. Entries shown in menus win over
    // hidden helpers; entries that need a terminal are never chosen.
    std::optional<DesktopEntry> entryForProgram(const QString& program) const;
    // An entry whose program lies inside `folder`.
    std::optional<DesktopEntry> entryInside(const QString& folder) const;

private:
    template <typename Match>
    std::optional<DesktopEntry> find(Match match) const;

    QStringList m_dirs;
};
