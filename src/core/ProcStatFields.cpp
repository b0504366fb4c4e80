#include "core/ProcStatFields.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

bool parseUnsigned(const char* begin, const char* end, quint64& value)
{
    if (begin == end)
        return false;
    value = 0;
    for (const char* p = begin; p < end; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        value = value * 10 + quint64(*p - '0');
    }
    return true;
}

} // namespace

std::optional<ProcStatFields> ProcStatFields::parse(const char* data, qsizetype size)
{
    const char* end = data + size;
    const char* open = static_cast<const char*>(std::memchr(data, '(', size_t(size)));
    const char* close = nullptr;
    for (const char* p = end; p > data;)
        if (*--p == ')') {
            close = p;
            break;
        }
    if (!open || !close || close < open)
        return std::nullopt;

    ProcStatFields fields;
    fields.name = open + 1;
    fields.nameSize = close - open - 1;
    quint64 utime = 0;
    quint64 stime = 0;
    quint64 parent = 0;
    int field = 2;
    bool haveStart = false;
    for (const char* p = close + 1; p < end && !haveStart;) {
        while (p < end && (*p == ' ' || *p == '\n'))
            ++p;
        if (p >= end)
            break;
        const char* tokenEnd = p;
        while (tokenEnd < end && *tokenEnd != ' ' && *tokenEnd != '\n')
            ++tokenEnd;
        ++field;
        bool ok = true;
        switch (field) {
        case 3: fields.state = *p; break;
        case 4: ok = parseUnsigned(p, tokenEnd, parent); break;
        case 14: ok = parseUnsigned(p, tokenEnd, utime); break;
        case 15: ok = parseUnsigned(p, tokenEnd, stime); break;
        case 22: ok = haveStart = parseUnsigned(p, tokenEnd, fields.startTime); break;
        default: break;
        }
        if (!ok)
            return std::nullopt;
        p = tokenEnd;
    }
    if (!haveStart)
        return std::nullopt;
    fields.parentPid = qint32(std::min<quint64>(parent, std::numeric_limits<qint32>::max()));
    fields.cpuTicks = utime + stime;
    return fields;
}
