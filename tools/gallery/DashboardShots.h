#pragma once

#include <QString>

// Renders the dashboard's own pages with sample data, in the dark Standard
// and the Light theme, to PNG files in `directory`. Returns whether every
// file was written.
bool writeDashboardScreenshots(const QString& directory);
