#include "localai/ProxyModelName.h"

#include <QRegularExpression>

QString proxyModelName(QByteArrayView firstRead)
{
    // Unicode properties make \s match the same white space as the clients'
    // JSON writers may emit, not only ASCII; [^"] already spans line breaks.
    static const QRegularExpression pattern(QStringLiteral(R"re("model"\s*:\s*"([^"]+)")re"),
                                            QRegularExpression::UseUnicodePropertiesOption);
    // Invalid UTF-8 (a chunk may end inside a character) becomes U+FFFD.
    const QRegularExpressionMatch match = pattern.match(QString::fromUtf8(firstRead));
    return match.hasMatch() ? match.captured(1) : QStringLiteral("General Request");
}
