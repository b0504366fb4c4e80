#pragma once

#include "platform/ToolCommand.h"

// The command lines the services give Debian's tools, built in one place so
// the tests can run exactly these against the real tools.
namespace ToolCommands {

// pgrep takes a single pattern; -x anchors all of it, so the process name
// must equal one of the alternatives. Exit 0: one runs; exit 1: none does.
ToolCommand buildToolCheck();
// One "ID|NAME|PORTS|STATE" line per running container, paused ones
// included (STATE "running" or "paused").
ToolCommand dockerList();
ToolCommand dockerStop(const QString& containerId);
ToolCommand dockerPause(const QString& containerId);
ToolCommand dockerUnpause(const QStringList& containerIds);
ToolCommand colimaStop();
// One echo request; -w is the deadline (on Linux -t would set the TTL).
ToolCommand ping(const QString& host);
// "--" ends the options, so a name such as "--help" is looked up, not obeyed.
ToolCommand whatis(const QString& name);

} // namespace ToolCommands
