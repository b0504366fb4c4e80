#include "localai/InternetDateTime.h"

#include <QTimeZone>

namespace {

// Reads exactly `digits` decimal digits at `pos`.
bool readDigits(QStringView text, qsizetype& pos, int digits, int& value)
{
    if (pos + digits > text.size())
        return false;
    value = 0;
    for (int i = 0; i < digits; ++i) {
        const QChar c = text[pos + i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        value = value * 10 + (c.unicode() - '0');
    }
    pos += digits;
    return true;
}

bool expect(QStringView text, qsizetype& pos, char c)
{
    if (pos >= text.size() || text[pos] != QLatin1Char(c))
        return false;
    ++pos;
    return true;
}

} // namespace

std::optional<QDateTime> parseInternetDateTime(QStringView text)
{
    qsizetype pos = 0;
    int year, month, day, hour, minute, second;
    if (!readDigits(text, pos, 4, year) || !expect(text, pos, '-') || !readDigits(text, pos, 2, month)
        || !expect(text, pos, '-') || !readDigits(text, pos, 2, day))
        return std::nullopt;
    if (pos >= text.size() || (text[pos] != QLatin1Char('T') && text[pos] != QLatin1Char('t')))
        return std::nullopt;
    ++pos;
    if (!readDigits(text, pos, 2, hour) || !expect(text, pos, ':') || !readDigits(text, pos, 2, minute)
        || !expect(text, pos, ':') || !readDigits(text, pos, 2, second))
        return std::nullopt;

    int millis = 0;
    if (pos < text.size() && text[pos] == QLatin1Char('.')) {
        ++pos;
        int digits = 0;
        while (pos < text.size() && text[pos] >= QLatin1Char('0') && text[pos] <= QLatin1Char('9')) {
            if (digits < 3)
                millis = millis * 10 + (text[pos].unicode() - '0');
            ++digits;
            ++pos;
        }
        if (digits == 0 || digits > 9)
            return std::nullopt;
        for (int i = digits; i < 3; ++i)
            millis *= 10;
    }

    int offsetSeconds = 0;
    if (pos < text.size() && (text[pos] == QLatin1Char('Z') || text[pos] == QLatin1Char('z'))) {
        ++pos;
    } else if (pos < text.size() && (text[pos] == QLatin1Char('+') || text[pos] == QLatin1Char('-'))) {
        const int sign = text[pos] == QLatin1Char('-') ? -1 : 1;
        ++pos;
        int offsetHours, offsetMinutes;
        if (!readDigits(text, pos, 2, offsetHours) || !expect(text, pos, ':')
            || !readDigits(text, pos, 2, offsetMinutes) || offsetHours > 23 || offsetMinutes > 59)
            return std::nullopt;
        offsetSeconds = sign * (offsetHours * 3600 + offsetMinutes * 60);
    } else {
        return std::nullopt;
    }
    if (pos != text.size())
        return std::nullopt;

    const QDate date(year, month, day);
    if (!date.isValid() || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    // The wall time at that offset, moved to UTC.
    const QDateTime wall(date, QTime(hour, minute, second, millis), QTimeZone::utc());
    if (!wall.isValid())
        return std::nullopt;
    return wall.addSecs(-offsetSeconds);
}
