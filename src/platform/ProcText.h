#pragma once

#include <QtGlobal>

#include <string_view>

// Tiny allocation-free scanners for the text of /proc and /sys files.
namespace kestrova::proctext {

inline void skipBlanks(const char*& p, const char* end)
{
    while (p < end && (*p == ' ' || *p == '\t'))
        ++p;
}

// Reads an unsigned decimal number at p (after blanks). False when there is
// none or it does not fit in 64 bits; p is left after the digits.
inline bool parseU64(const char*& p, const char* end, quint64& value)
{
    skipBlanks(p, end);
    if (p >= end || *p < '0' || *p > '9')
        return false;
    quint64 v = 0;
    while (p < end && *p >= '0' && *p <= '9') {
        const quint64 digit = quint64(*p - '0');
        if (v > (~quint64(0) - digit) / 10)
            return false;
        v = v * 10 + digit;
        ++p;
    }
    value = v;
    return true;
}

// The next line of `text` starting at `pos` (without its newline); pos moves
// past it. False at the end.
inline bool nextLine(std::string_view text, std::size_t& pos, std::string_view& line)
{
    if (pos >= text.size())
        return false;
    const std::size_t nl = text.find('\n', pos);
    const std::size_t stop = nl == std::string_view::npos ? text.size() : nl;
    line = text.substr(pos, stop - pos);
    pos = stop + 1;
    return true;
}

} // namespace kestrova::proctext
