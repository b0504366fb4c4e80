#pragma once

#include <QString>

// Renders the AI pages (the popover's AI page with its sub-tabs and the
// dashboard's AI pages) with sample data to PNG files in `directory`, in the
// Standard and the Light theme and a few others. Returns whether every file
// was written.
bool writeAIScreenshots(const QString& directory);
