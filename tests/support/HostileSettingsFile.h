#pragma once

#include <QByteArray>

// Settings file contents that once brought the app down.
namespace hostilesettings {

// "[General]" with `lead` lines, then v= a list in a list... `depth` deep,
// as QDataStream writes it and QSettings escapes it: QSettings reads it by
// recursion, one stack frame per level.
inline QByteArray nestedValue(const QByteArray& lead, int depth = 35000)
{
    QByteArray contents = "[General]\n" + lead + "v=@Variant(";
    for (int level = 0; level < depth; ++level)
        contents += "\\0\\0\\0\\t\\0\\0\\0\\x1";
    return contents + "\\0\\0\\0\\x1\\x1)\n";
}

// Bytes with no structure at all.
inline QByteArray junk(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 2654435761u) >> 13);
    return bytes;
}

} // namespace hostilesettings
