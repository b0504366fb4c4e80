#pragma once

#include <QByteArray>

// Settings file contents that once brought the app down.
namespace hostilesettings {

// "[General]", `lead`, then a list in a list... 35,000 deep as QSettings
// escapes it, which it reads by recursion, one frame per level.
inline QByteArray nestedValue(const QByteArray& lead)
{
    QByteArray contents = "[General]\n" + lead + "v=@Variant(";
    for (int level = 0; level < 35000; ++level)
        contents += "\\0\\0\\0\\t\\0\\0\\0\\x1";
    return contents + "\\0\\0\\0\\x1\\x1)\n";
}

inline QByteArray junk(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 2654435761u) >> 13);
    return bytes;
}

} // namespace hostilesettings
