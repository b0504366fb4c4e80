#include "platform/DesktopEntryQuoting.h"

namespace kestrova {

namespace {

bool isReserved(QChar c)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    return reserved.contains(c);
}

// Backslash, newline, tab and carriage return as a string value writes them.
QString escapeStringValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case u'\\': out += QStringLiteral("\\\\"); break;
        case u'\n': out += QStringLiteral("\\n"); break;
        case u'\t': out += QStringLiteral("\\t"); break;
        case u'\r': out += QStringLiteral("\\r"); break;
        default: out += c;
        }
    }
    return out;
}

} // namespace

QString quoteExecArgument(const QString& argument)
{
    bool quote = argument.isEmpty();
    QString body;
    body.reserve(argument.size() + 2);
    for (const QChar c : argument) {
        if (isReserved(c))
            quote = true;
        if (c == u'%')
            body += QStringLiteral("%%"); // a lone % would start a field code
        else
            body += c;
    }
    if (!quote)
        return body;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : body) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted += u'"';
    return quoted;
}

QString desktopExecValue(const QStringList& arguments)
{
    QStringList quoted;
    quoted.reserve(arguments.size());
    for (const QString& argument : arguments)
        quoted << quoteExecArgument(argument);
    return escapeStringValue(quoted.join(u' '));
}

} // namespace kestrova
