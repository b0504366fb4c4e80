#include "dashboard/assistant/InlineMarkup.h"

namespace {

const QString kBold = QStringLiteral("**");
const QChar kCode = QLatin1Char('`');

// Code spans and line breaks of an escaped text (no bold inside).
QString codeAndBreaks(const QString& escaped)
{
    QString html;
    qsizetype at = 0;
    while (at < escaped.size()) {
        const qsizetype open = escaped.indexOf(kCode, at);
        const qsizetype close = open < 0 ? -1 : escaped.indexOf(kCode, open + 1);
        if (close < 0) {
            html += escaped.mid(at);
            break;
        }
        html += escaped.mid(at, open - at);
        html += QStringLiteral("<code>") + escaped.mid(open + 1, close - open - 1) + QStringLiteral("</code>");
        at = close + 1;
    }
    return html.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
}

} // namespace

QString InlineMarkup::toHtml(const QString& text)
{
    const QString escaped = text.toHtmlEscaped();
    QString html;
    qsizetype at = 0;
    while (at < escaped.size()) {
        const qsizetype open = escaped.indexOf(kBold, at);
        const qsizetype close = open < 0 ? -1 : escaped.indexOf(kBold, open + kBold.size());
        if (close < 0) {
            html += codeAndBreaks(escaped.mid(at));
            break;
        }
        html += codeAndBreaks(escaped.mid(at, open - at));
        html += QStringLiteral("<b>") + codeAndBreaks(escaped.mid(open + kBold.size(), close - open - kBold.size()))
            + QStringLiteral("</b>");
        at = close + kBold.size();
    }
    return html;
}
