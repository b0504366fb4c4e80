#include "core/Format.h"

#include <QLocale>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <locale.h>
#include <limits>

namespace kestrova {

QString format(const char* pattern, ...)
{
    // vsnprintf under a thread-local C locale: printf's exact rounding
    // (91.25 -> "91.2") without the process locale's decimal comma.
    static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const locale_t previous = ::uselocale(cLocale);

    va_list args;
    va_start(args, pattern);
    va_list again;
    va_copy(again, args);
    char stackBuffer[256];
    QString out;
    const int length = std::vsnprintf(stackBuffer, sizeof stackBuffer, pattern, args);
    if (length >= int(sizeof stackBuffer)) {
        QByteArray heap(length + 1, Qt::Uninitialized);
        std::vsnprintf(heap.data(), size_t(heap.size()), pattern, again);
        out = QString::fromUtf8(heap.constData(), length);
    } else if (length >= 0) {
        out = QString::fromUtf8(stackBuffer, length);
    }
    va_end(again);
    va_end(args);

    ::uselocale(previous);
    return out;
}

qint64 safeTrunc(double value)
{
    if (!std::isfinite(value))
        return 0;
    constexpr double limit = 9.2233720368547748e18; // just below 2^63
    if (value >= limit || value <= -limit)
        return 0;
    return static_cast<qint64>(value);
}

QString shortestDouble(double value)
{
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    const double magnitude = std::fabs(value);
    if (magnitude != 0.0 && (magnitude < 1e-4 || magnitude >= 9007199254740992.0))
        return QString::number(value, 'e', QLocale::FloatingPointShortest);
    QString text = QString::number(value, 'f', QLocale::FloatingPointShortest);
    if (!text.contains(QLatin1Char('.')))
        text += QStringLiteral(".0");
    return text;
}

QString formatBytes(qint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 bytes").arg(bytes);
    static const char* const units[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    double value = double(bytes);
    int unit = -1;
    while (value >= 1024.0 && unit < 5) {
        value /= 1024.0;
        ++unit;
    }
    return format("%.1f %s", value, units[unit]);
}

} // namespace kestrova
