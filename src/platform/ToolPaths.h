#pragma once

#include <QString>
#include <QStringList>

// Where the external tools are found: on PATH first, then where Debian,
// hand installs and snaps put them (a session started from a desktop file
// often has a PATH without /usr/local/bin). A tool that is found nowhere
// comes back as its bare name, which the command runner refuses to start,
// so it behaves like a command that could not start.
namespace ToolPaths {

inline const QString sh = QStringLiteral("/bin/sh");

// The absolute entries of a PATH-style list, in order; relative and empty
// entries are dropped so no tool is ever taken from the current folder.
QStringList absoluteFolders(const QString& pathVariable);
// PATH's absolute entries, then /usr/local/bin, /usr/bin and /snap/bin.
QStringList searchFolders();
// The first executable file called `name` in the folders, or empty.
QString locate(const QString& name, const QStringList& folders);
// The path to start for a tool: located in searchFolders(), else `name`.
QString tool(const QString& name);

inline QString pgrep() { return tool(QStringLiteral("pgrep")); }
inline QString ping() { return tool(QStringLiteral("ping")); }
inline QString whatis() { return tool(QStringLiteral("whatis")); }
inline QString docker() { return tool(QStringLiteral("docker")); }
inline QString colima() { return tool(QStringLiteral("colima")); }

} // namespace ToolPaths
