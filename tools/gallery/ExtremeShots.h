#pragma once

#include <QString>

// Renders the popover and dashboard pages that show figures the machine can
// grow without bound (rates, sizes, counts, watts) at the far end of their
// range, in the dark Standard and the Light theme, to PNG files in
// `directory`. Returns whether every file was written.
bool writeExtremeScreenshots(const QString& directory);
