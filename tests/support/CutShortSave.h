#pragma once

#include "support/ForkedChild.h"

#include <QString>

// A save of a settings file cut short in a child of the test: the child runs
// SettingsFile::writeWhole over `path` with a file size limit below what it
// writes, so the write that crosses the limit raises SIGXFSZ mid-save, with
// its new file open and locked. The child is ready there and waits, a live
// writer, until it is killed (as a user's kill could end a save).
ForkedChild cutShortSave(const QString& path);
