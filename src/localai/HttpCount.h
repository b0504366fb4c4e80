#pragma once

#include <QByteArrayView>

#include <limits>
#include <optional>

// A decimal or hexadecimal count as HTTP writes it (a length, a chunk size):
// digits only, no sign. One that does not fit in 63 bits is no count.
inline std::optional<qint64> readHttpCount(QByteArrayView text, int base)
{
    if (text.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        if (value > (std::numeric_limits<qint64>::max() - digit) / base)
            return std::nullopt;
        value = value * base + digit;
    }
    return value;
}
