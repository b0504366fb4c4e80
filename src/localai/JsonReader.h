#pragma once

#include <QByteArray>
#include <QString>

#include <bitset>
#include <optional>

// A strict (RFC 8259) pull reader over a JSON text that builds no tree: the
// caller walks the values it wants and skips the rest, so reading a text
// costs next to nothing beyond the text itself, however many values it
// holds. Every step returns false on malformed input; the reader is then
// spent. Strings must be valid UTF-8 without raw control characters.
class JsonReader {
public:
    enum class Type { object, array, string, number, literal, end };

    explicit JsonReader(const QByteArray& text);

    // The type of the next value, after any white space.
    Type peek();
    // `null` is next (and is consumed).
    bool takeNull();

    // Objects: beginObject(), then nextKey() until it reports no more
    // members, reading or skipping each member's value in between.
    bool beginObject();
    // Reads the next member's key and the colon after it; `more` is false
    // once the object has ended. A key over 64 units reads as empty.
    bool nextKey(QString& key, bool& more);
    // Arrays: beginArray(), then nextElement() before each element.
    bool beginArray();
    bool nextElement(bool& more);

    // Reads a string. Its length in UTF-16 units goes to `length`; its text
    // to `out` unless null, up to `keepUnits` units (longer texts are read
    // whole but kept only in length).
    bool readString(QString* out, qsizetype& length, qsizetype keepUnits = -1);
    // Reads a number; a whole number within 64 bits comes back in `whole`.
    bool readNumber(std::optional<qint64>& whole);
    // Reads any one value, checking it without keeping it.
    bool skipValue();
    // Only white space is left.
    bool atEnd();

private:
    static constexpr int kMaxDepth = 1024;

    bool fail();
    void skipSpace();
    bool open(char bracket, bool isObject);
    // Before a member or element: a comma, unless it is the first; false
    // in `more` (and the container closed) at `close`.
    bool next(char close, bool& more);
    bool readLiteral();
    bool readEscape(QString* out, qsizetype& length, qsizetype keepUnits);
    bool readUtf8(QString* out, qsizetype& length, qsizetype keepUnits);

    const char* m_at;
    const char* m_end;
    int m_depth = 0;
    std::bitset<kMaxDepth> m_isObject; // of each open container, outermost first
    bool m_first = false; // nothing read yet in the innermost container
    bool m_failed = false;
};
