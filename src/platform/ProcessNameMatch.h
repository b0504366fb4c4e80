#pragma once

#include "platform/ProcessEntry.h"

#include <QString>

// Exact process-name matching, as `pgrep -x` means it, over entries of the
// process table. The kernel keeps only 15 bytes of a name, so a longer name
// matches a process whose short name is its first 15 bytes and whose
// executable (or argv[0]) is named in full; `pgrep -x` finds no such process.
namespace ProcessNameMatch {

bool matches(const ProcessEntry& process, const QString& name);

} // namespace ProcessNameMatch
