#pragma once

#include <QString>

// One temperature sensor as the temperature reader sees it: the product key
// of its role ("Tp09", "Tp01", "Tg05", "Ts01", "Ta01") and where it came from.
struct ThermalSensor {
    QString product;   // the role key that readers match on
    QString source;    // driver or zone name and label, for diagnostics
    QString path;      // the file holding millidegrees Celsius

    bool operator==(const ThermalSensor&) const = default;
};
