#pragma once

#include <QString>

namespace kestrova {

// printf-style formatting that ignores the process locale: "%.1f" always
// uses a dot. Only numeric and %s (UTF-8 const char*) conversions are meant
// to be used.
QString format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

// The whole-number part of a figure for texts such as "47°". Non-finite
// values and values outside the 64-bit range give 0 instead of undefined
// behaviour.
qint64 safeTrunc(double value);

// The shortest text that reads back as the same double, with ".0" added to
// whole numbers ("12.0", "0.1", "1e-05", "1e+16").
QString shortestDouble(double value);

// Byte counts in multiples of 1024 with one decimal: "512 bytes", "1.5 KB",
// "4.4 GB".
QString formatBytes(qint64 bytes);

} // namespace kestrova
