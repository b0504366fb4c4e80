#pragma once

#include <QString>

// Renders the dashboard's Disk page for each persona with sample data, in the
// dark Standard and the Light theme, to PNG files in `directory`. Returns
// whether every file was written.
bool writeDiskScreenshots(const QString& directory);
