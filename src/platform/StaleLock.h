#pragma once

#include <QString>

// Whether the holder of a lock that QLockFile took is gone. QLockFile takes
// over such a lock itself, but only where it may remove the file: in a folder
// that went read-only or full since, a lock left by a killed copy stays.
namespace StaleLock {

// Gone: the kernel holds no lock on the file for anyone (QLockFile keeps an
// flock on it while its holder lives), and the pid written in it is not a
// running copy of this program (by its executable's name) of our user that
// started before the file was written (a reused pid is not the holder). A
// file that cannot be looked at says nothing: not gone.
bool holderIsGone(const QString& lockPath);

// Starting: the lock is a regular file of our user that someone holds (the
// kernel's lock on it), written less than `withinMs` ago by a running copy
// of this program of our user, or not written yet (its holder has just
// made it). Such a copy may not answer yet: it has not reached its event
// loop.
bool holderIsStarting(const QString& lockPath, qint64 withinMs);

} // namespace StaleLock
