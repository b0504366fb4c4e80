#pragma once

#include <QString>

// Renders the dashboard's performance preset page with sample states, in
// the Standard and Light themes, to PNG files in `directory`. Returns
// whether every file was written.
bool writePresetScreenshots(const QString& directory);
