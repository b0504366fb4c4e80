#include "localai/JsonReader.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

constexpr qsizetype kMaxKeyUnits = 64;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

void appendCodePoint(QString* out, qsizetype& length, qsizetype keepUnits, char32_t code)
{
    const qsizetype units = code >= 0x10000 ? 2 : 1;
    if (out && (keepUnits < 0 || length + units <= keepUnits)) {
        if (units == 2) {
            out->append(QChar::highSurrogate(code));
            out->append(QChar::lowSurrogate(code));
        } else {
            out->append(QChar(char16_t(code)));
        }
    }
    length += units;
}

} // namespace

JsonReader::JsonReader(const QByteArray& text) : m_at(text.constData()), m_end(text.constData() + text.size()) {}

bool JsonReader::fail()
{
    m_failed = true;
    m_at = m_end;
    return false;
}

void JsonReader::skipSpace()
{
    while (m_at < m_end && (*m_at == ' ' || *m_at == '\t' || *m_at == '\n' || *m_at == '\r'))
        ++m_at;
}

JsonReader::Type JsonReader::peek()
{
    skipSpace();
    if (m_failed || m_at == m_end)
        return Type::end;
    switch (*m_at) {
    case '{':
        return Type::object;
    case '[':
        return Type::array;
    case '"':
        return Type::string;
    case 't':
    case 'f':
    case 'n':
        return Type::literal;
    default:
        return *m_at == '-' || isDigit(*m_at) ? Type::number : Type::end;
    }
}

bool JsonReader::takeNull()
{
    if (peek() != Type::literal || m_end - m_at < 4 || std::memcmp(m_at, "null", 4) != 0)
        return false;
    m_at += 4;
    return true;
}

bool JsonReader::open(char bracket, bool isObject)
{
    skipSpace();
    if (m_failed || m_at == m_end || *m_at != bracket || m_depth == kMaxDepth)
        return fail();
    ++m_at;
    m_isObject[size_t(m_depth++)] = isObject;
    m_first = true;
    return true;
}

bool JsonReader::beginObject() { return open('{', true); }
bool JsonReader::beginArray() { return open('[', false); }

bool JsonReader::next(char close, bool& more)
{
    skipSpace();
    if (m_failed || m_at == m_end || m_depth == 0)
        return fail();
    if (*m_at == close) {
        ++m_at;
        --m_depth;
        m_first = false;
        more = false;
        return true;
    }
    if (!m_first) {
        if (*m_at != ',')
            return fail();
        ++m_at;
    }
    m_first = false;
    more = true;
    return true;
}

bool JsonReader::nextKey(QString& key, bool& more)
{
    key.clear();
    if (!next('}', more) || !more)
        return !m_failed;
    qsizetype length = 0;
    if (peek() != Type::string || !readString(&key, length, kMaxKeyUnits))
        return fail();
    if (length > kMaxKeyUnits)
        key.clear();
    skipSpace();
    if (m_at == m_end || *m_at != ':')
        return fail();
    ++m_at;
    return true;
}

bool JsonReader::nextElement(bool& more) { return next(']', more); }

bool JsonReader::readString(QString* out, qsizetype& length, qsizetype keepUnits)
{
    length = 0;
    skipSpace();
    if (m_failed || m_at == m_end || *m_at != '"')
        return fail();
    ++m_at;
    for (;;) {
        if (m_at == m_end)
            return fail();
        const char c = *m_at;
        if (c == '"') {
            ++m_at;
            return true;
        }
        if (c == '\\') {
            if (!readEscape(out, length, keepUnits))
                return fail();
        } else if (!readUtf8(out, length, keepUnits)) {
            return fail();
        }
    }
}

bool JsonReader::readEscape(QString* out, qsizetype& length, qsizetype keepUnits)
{
    ++m_at; // the backslash
    if (m_at == m_end)
        return false;
    const char c = *m_at++;
    static constexpr char kSimple[] = "\"\"\\\\//b\bf\fn\nr\rt\t";
    for (int i = 0; kSimple[i]; i += 2) {
        if (c == kSimple[i]) {
            appendCodePoint(out, length, keepUnits, char32_t(kSimple[i + 1]));
            return true;
        }
    }
    if (c != 'u')
        return false;
    const auto hex4 = [this](char32_t& unit) {
        if (m_end - m_at < 4)
            return false;
        quint16 value = 0;
        const auto [end, error] = std::from_chars(m_at, m_at + 4, value, 16);
        m_at += 4;
        unit = value;
        return error == std::errc() && end == m_at;
    };
    char32_t unit = 0;
    if (!hex4(unit))
        return false;
    if (QChar::isHighSurrogate(unit) && m_end - m_at >= 6 && m_at[0] == '\\' && m_at[1] == 'u') {
        const char* const pairStart = m_at;
        m_at += 2;
        char32_t low = 0;
        if (!hex4(low))
            return false;
        if (QChar::isLowSurrogate(low)) {
            appendCodePoint(out, length, keepUnits, QChar::surrogateToUcs4(char16_t(unit), char16_t(low)));
            return true;
        }
        m_at = pairStart; // the second escape stands alone
    }
    // A lone surrogate cannot be shown: it reads as the replacement character.
    appendCodePoint(out, length, keepUnits, QChar::isSurrogate(unit) ? char32_t(0xFFFD) : unit);
    return true;
}

bool JsonReader::readUtf8(QString* out, qsizetype& length, qsizetype keepUnits)
{
    const auto lead = uchar(*m_at);
    if (lead < 0x20)
        return false; // a raw control character
    if (lead < 0x80) {
        ++m_at;
        appendCodePoint(out, length, keepUnits, lead);
        return true;
    }
    // Well-formed sequences only (RFC 3629): no overlong forms, no
    // surrogates, nothing past U+10FFFF.
    int more = 0;
    uchar low = 0x80, high = 0xBF;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2;
        code = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3;
        code = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return false;
    }
    if (m_end - m_at <= more)
        return false;
    for (int i = 1; i <= more; ++i) {
        const auto byte = uchar(m_at[i]);
        if (byte < (i == 1 ? low : 0x80) || byte > (i == 1 ? high : 0xBF))
            return false;
        code = (code << 6) | (byte & 0x3F);
    }
    m_at += more + 1;
    appendCodePoint(out, length, keepUnits, code);
    return true;
}

bool JsonReader::readNumber(std::optional<qint64>& whole)
{
    whole.reset();
    skipSpace();
    const char* const start = m_at;
    const char* p = m_at;
    // One digit or more; false if there is none.
    const auto digits = [&p, this] {
        const char* const first = p;
        while (p < m_end && isDigit(*p))
            ++p;
        return p != first;
    };
    if (p < m_end && *p == '-')
        ++p;
    if (p < m_end && *p == '0')
        ++p;
    else if (!digits())
        return fail();
    bool integral = true;
    if (p < m_end && *p == '.') {
        integral = false;
        ++p;
        if (!digits())
            return fail();
    }
    if (p < m_end && (*p == 'e' || *p == 'E')) {
        integral = false;
        if (++p < m_end && (*p == '+' || *p == '-'))
            ++p;
        if (!digits())
            return fail();
    }
    m_at = p;
    if (integral) {
        qint64 value = 0;
        if (std::from_chars(start, p, value).ec == std::errc()) {
            whole = value;
            return true;
        }
    }
    // Beyond 64 bits, a fraction or an exponent: the value as a double,
    // whole only if it is one and fits.
    double value = 0;
    if (std::from_chars(start, p, value).ec != std::errc() || !std::isfinite(value))
        return fail();
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (value >= -kTwoTo63 && value < kTwoTo63 && std::trunc(value) == value)
        whole = qint64(value);
    return true;
}

bool JsonReader::readLiteral()
{
    for (const char* word : {"true", "false", "null"}) {
        const auto size = qsizetype(std::strlen(word));
        if (m_end - m_at >= size && std::memcmp(m_at, word, size_t(size)) == 0) {
            m_at += size;
            return true;
        }
    }
    return fail();
}

bool JsonReader::skipValue()
{
    const int base = m_depth;
    for (;;) {
        // A value is next.
        switch (peek()) {
        case Type::object:
            if (!beginObject())
                return false;
            break;
        case Type::array:
            if (!beginArray())
                return false;
            break;
        case Type::string: {
            qsizetype length = 0;
            if (!readString(nullptr, length))
                return false;
            break;
        }
        case Type::number: {
            std::optional<qint64> ignored;
            if (!readNumber(ignored))
                return false;
            break;
        }
        case Type::literal:
            if (!readLiteral())
                return false;
            break;
        case Type::end:
            return fail();
        }
        // Close what ends here, up to the next value.
        for (bool more = false; !more;) {
            if (m_depth == base)
                return true;
            QString key;
            if (!(m_isObject[size_t(m_depth - 1)] ? nextKey(key, more) : nextElement(more)))
                return false;
        }
    }
}

bool JsonReader::atEnd()
{
    skipSpace();
    return !m_failed && m_depth == 0 && m_at == m_end;
}
