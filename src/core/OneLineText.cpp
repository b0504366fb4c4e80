#include "core/OneLineText.h"

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
    QString line;
    line.reserve(text.size());
    for (const QChar c : text) {
        if (bidiControl(c.unicode()))
            continue;
        line += breaksOrControls(c) ? QChar(u' ') : c;
    }
    return line;
}
