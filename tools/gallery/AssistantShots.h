#pragma once

#include <QString>

// Renders the dashboard's co-pilot, system-info and help-guide pages with
// sample data, in the Standard and the Light theme, to PNG files in
// `directory`. Returns whether every file was written.
bool writeAssistantScreenshots(const QString& directory);
