#pragma once

#include <QString>

// Renders the popover's network, disk and memory pages with sample figures,
// in the Standard and Light themes, to PNG files in `directory`. Returns
// whether every file was written.
bool writePopoverTabScreenshots(const QString& directory);
