#pragma once

#include <QString>

// A local socket whose path is too long for the kernel (sun_path) listens on
// an abstract name instead, and a small note at that path names it. The name
// is drawn at random for each run: unlike a fixed one, another user cannot
// take it up first, and the note lies in a folder only we may write. Abstract
// names have no owner, though: whoever answers there must still be checked
// (SO_PEERCRED), since a name whose copy is gone may be taken by anyone.
namespace AbstractSocketNote {

// Whether a local socket can listen at `path` itself.
bool pathFits(const QString& path);
// A fresh abstract name for this user.
QString freshName();
// Puts a note naming `name` at `path` whole (written beside, then renamed
// over it); false with `failure` set when it cannot.
bool write(const QString& path, const QString& name, QString* failure);
// The name noted at `path`: a regular file of our user holding a name that
// freshName() could have drawn; empty otherwise (no note yet, or not ours).
QString read(const QString& path);

} // namespace AbstractSocketNote
