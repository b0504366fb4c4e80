#include "core/OneLineText.h"

#include <algorithm>

namespace {

bool bidiControl(char16_t c)
{
    return (c >= 0x202A && c <= 0x202E) // embeddings and overrides
        || (c >= 0x2066 && c <= 0x2069) // isolates
        || c == 0x200E || c == 0x200F || c == 0x061C; // marks
}

bool breaksOrControls(QChar c)
{
    return c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

} // namespace

QString oneLineText(const QString& text)
{
    // Rows set their texts on every refresh: clean text is shared, not copied.
    const auto changes = [](QChar c) { return bidiControl(c.unicode()) || c.isSurrogate() || breaksOrControls(c); };
    if (std::none_of(text.cbegin(), text.cend(), changes))
        return text;
    QString line;
    line.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (bidiControl(c.unicode()))
            continue;
        if (c.isSurrogate()) {
            // A JSON escape can carry half a pair; show it as undecodable,
            // the way invalid UTF-8 reads.
            const bool paired = c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
            if (!paired) {
                line += QChar(QChar::ReplacementCharacter);
                continue;
            }
            line += c;
            line += text.at(++i);
            continue;
        }
        line += breaksOrControls(c) ? QChar(u' ') : c;
    }
    return line;
}
