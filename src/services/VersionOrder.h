#pragma once

#include <QString>

namespace kestrova {

// Orders two version strings the way people read them: runs of digits
// compare by numeric value (1.10.0 after 1.9.2), any other character
// compares by its code, with no locale. Returns <0, 0 or >0.
int compareVersions(const QString& a, const QString& b);

} // namespace kestrova
