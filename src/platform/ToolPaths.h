#pragma once

#include <QString>
#include <QStringList>

// Where the external tools live on Debian. A tool that is missing behaves
// like a command that could not start.
namespace ToolPaths {

inline const QString lsof = QStringLiteral("/usr/bin/lsof");
inline const QString ping = QStringLiteral("/usr/bin/ping");
inline const QString whatis = QStringLiteral("/usr/bin/whatis");
inline const QString pgrep = QStringLiteral("/usr/bin/pgrep");
inline const QString docker = QStringLiteral("/usr/bin/docker");
inline const QString sh = QStringLiteral("/bin/sh");

// colima is not packaged by Debian; it is found where the user installed it.
QString colima();
// The first executable of the candidates, or the first candidate when none
// exists (so starting it fails like a missing tool).
QString firstExisting(const QStringList& candidates);

} // namespace ToolPaths
