#pragma once

#include <QString>

// Text rules for the command paths of process rows.
namespace ProcessPathRules {

// Trimmed, with every run of blanks (spaces, tabs, line breaks) made one
// space, as a column-splitting process lister shows a path.
QString normalizedCommandPath(const QString& path);

// The last component of a path: "/usr/bin/My App" gives "My App"; trailing
// slashes are ignored ("/opt/tool/" gives "tool", "/" stays "/"); a bare
// name is its own last component.
QString lastPathComponent(const QString& path);

// The outermost application bundle of a path: everything up to and
// including the first ".app", or an empty string when there is none.
QString applicationBundlePath(const QString& path);

} // namespace ProcessPathRules
