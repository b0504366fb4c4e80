#include "telemetry/ProcessPathRules.h"

namespace ProcessPathRules {
namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')
           || c == QLatin1Char('\v') || c == QLatin1Char('\f');
}

} // namespace

QString normalizedCommandPath(const QString& path)
{
    QString result;
    result.reserve(path.size());
    bool pendingSpace = false;
    for (const QChar c : path) {
        if (isBlank(c)) {
            pendingSpace = !result.isEmpty();
            continue;
        }
        if (pendingSpace)
            result.append(QLatin1Char(' '));
        pendingSpace = false;
        result.append(c);
    }
    return result;
}

QString lastPathComponent(const QString& path)
{
    qsizetype end = path.size();
    if (end == 0)
        return {};
    while (end > 1 && path.at(end - 1) == QLatin1Char('/'))
        --end;
    if (end == 1 && path.at(0) == QLatin1Char('/'))
        return QStringLiteral("/");
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'), end - 1);
    return path.mid(slash + 1, end - slash - 1);
}

QString applicationBundlePath(const QString& path)
{
    static const QString marker = QStringLiteral(".app");
    const qsizetype at = path.indexOf(marker);
    return at < 0 ? QString() : path.left(at + marker.size());
}

} // namespace ProcessPathRules
