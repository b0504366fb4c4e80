#pragma once

#include <QDateTime>
#include <QStringView>

#include <optional>

// Reads an internet date-time ("2024-06-04T14:38:31.837530134-07:00",
// "2024-06-04T21:38:31Z"): a full date, 'T', a time with whole seconds and
// an optional fraction of 1 to 9 digits, then 'Z' or a +hh:mm / -hh:mm
// offset. The result is in UTC, to the millisecond (further digits are
// dropped). Anything else, including out-of-range fields, gives nullopt.
std::optional<QDateTime> parseInternetDateTime(QStringView text);
