#include "platform/ProcessNameMatch.h"

namespace {

constexpr qsizetype kShortNameBytes = 15;

QStringView baseName(QStringView path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

} // namespace

namespace ProcessNameMatch {

bool matches(const ProcessEntry& process, const QString& name)
{
    if (name.isEmpty())
        return false;
    const QByteArray wanted = name.toUtf8();
    if (wanted.size() <= kShortNameBytes)
        return process.name == name;
    // The short name is cut at a byte count; compare bytes, not characters.
    if (process.name.toUtf8() != wanted.left(kShortNameBytes))
        return false;
    return baseName(process.commandPath) == name
           || (!process.arguments.isEmpty() && baseName(process.arguments.first()) == name);
}

} // namespace ProcessNameMatch
