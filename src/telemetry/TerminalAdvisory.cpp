#include "telemetry/TerminalAdvisory.h"

namespace TerminalAdvisory {

QStringList lines(const QString& header, const QString& pauseHeading, const QString& pattern,
                  const QString& resumeHeading)
{
    const QString pgrep = QStringLiteral("  pgrep -f \"") + pattern + QStringLiteral("\" | xargs kill -");
    return {header,    QString(),     pauseHeading, pgrep + QStringLiteral("STOP"),
            QString(), resumeHeading, pgrep + QStringLiteral("CONT")};
}

QString byHand(const QString& pattern)
{
    const QString pgrep = QStringLiteral("pgrep -f \"") + pattern + QStringLiteral("\" | xargs kill -");
    return QStringLiteral("No terminal could be opened; run by hand: ") + pgrep + QStringLiteral("STOP")
           + QStringLiteral(" (to resume: ") + pgrep + QStringLiteral("CONT)");
}

QString shellLine(const QStringList& lines)
{
    QStringList commands;
    for (QString line : lines) {
        // A single quote cannot stand inside single quotes: close the
        // quoting, add an escaped quote, reopen.
        line.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
        commands.append(QStringLiteral("echo '") + line + QLatin1Char('\''));
    }
    return commands.join(QStringLiteral(" && "));
}

} // namespace TerminalAdvisory
