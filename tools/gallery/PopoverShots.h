#pragma once

#include <QString>

// Renders the popover with sample processes, in several themes and states,
// to PNG files in `directory`. Returns whether every file was written.
bool writePopoverScreenshots(const QString& directory);
