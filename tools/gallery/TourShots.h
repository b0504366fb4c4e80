#pragma once

#include <QString>

// Renders the dashboard with the onboarding tour on each of its six steps,
// in the dark Standard and the Light theme, to PNG files in `directory`.
// Returns whether every file was written.
bool writeTourScreenshots(const QString& directory);
