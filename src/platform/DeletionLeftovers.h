#pragma once

#include <QString>

// What a deletion left in place: targets it refused because a linked
// folder leads to them, mount points (never entered, never removed) and
// entries the file system would not remove. Folders that only stayed because
// something inside them did are not counted again.
struct DeletionLeftovers {
    int refusals = 0;
    int mountPoints = 0;
    int entries = 0;
    QString firstPath; // the first thing left, for the printed line

    bool any() const { return refusals > 0 || mountPoints > 0 || entries > 0; }
    void addRefusal(const QString& path);
    void addMountPoint(const QString& path);
    void addEntry(const QString& path);
    void add(const DeletionLeftovers& other);

    // "⚠️ Purge left 1 mount point and 2 other items in place, first: /path",
    // "⚠️ Purge refused 1 path behind a link, first: /path", or both joined
    // by "and": one line for one purge.
    QString printedLine() const;
};
