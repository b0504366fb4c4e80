#pragma once

#include "platform/DeletionLeftovers.h"

#include <QString>

// Deletion confined to a known root folder (never "/"). Every deletion in
// the app goes through here. Paths must be absolute and clean (no "." or ".." parts, no
// doubled slashes) and lie strictly inside the root; no folder between the
// root and the target may be a symbolic link; a symbolic link target is
// removed itself, never followed; folder trees are removed through open
// folder descriptors, so a link swapped in during the removal is unlinked,
// not followed.
//
// A removal stays on the file system of the folder that holds the target:
// a mount point met on the way (or a target that is one) is left in place
// with all it holds, as `rm --one-file-system` does. Trees of any depth are
// removed with a bounded number of open descriptors.
namespace SafeDelete {

enum class Outcome {
    removed,    // gone now (or, for removeChildren, emptied)
    missing,    // nothing there to remove
    refused,    // outside the root, not clean, or through a linked folder (`left` counts the last)
    failed,     // part of it stays (refused, or a mount point); what could go is gone
};

// An absolute, clean home folder that is not "/" and exists as a folder.
bool isSaneHome(const QString& home);

// Whether `path` is absolute, clean and strictly inside `root`.
bool isStrictlyInside(const QString& root, const QString& path);

// Removes `target` (a file, link or whole folder tree) inside `root`. What
// stays is added to `left` when given.
Outcome removeInside(const QString& root, const QString& target, DeletionLeftovers* left = nullptr);

// Removes everything inside `folder`, keeping the folder itself. `folder`
// may be `root` itself or lie inside it.
Outcome removeChildren(const QString& root, const QString& folder, DeletionLeftovers* left = nullptr);

// What a removal of a folder takes: the folder with all it holds
// (removeInside), or only what it holds (removeChildren).
enum class Scope { whole, contents };

// Opens `folder` as that removal reaches it, so that a walk from there which
// stays on the folder's file system sees exactly what the removal may take:
// nothing behind a linked folder on the way, and nothing of a whole folder
// that is a mount point or a link. Returns the open folder, or -1 with errno
// set (ENOENT missing, ELOOP behind a link, EXDEV a mount point, ENOTDIR not
// a folder, EINVAL not inside the root).
int openReach(const QString& root, const QString& folder, Scope scope);

} // namespace SafeDelete
