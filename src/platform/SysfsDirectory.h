#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

// Listing helpers for /sys class folders, whose entries are numbered
// ("hwmon3", "temp2_input", "thermal_zone10") and must be taken in numeric
// rather than text order.
namespace sysfs {

// The names in `folder` (no "." and ".."), or nullopt when it cannot be read.
std::optional<QStringList> entries(const QString& folder);

// The entries of the form prefix + number + suffix, as (number, name) pairs
// in ascending number order. Numbers above `maxNumber` are ignored, so a
// malformed name cannot produce an absurd index.
std::vector<std::pair<int, QString>> numbered(const QStringList& names, const QString& prefix,
                                              const QString& suffix = {}, int maxNumber = 100000);

} // namespace sysfs
