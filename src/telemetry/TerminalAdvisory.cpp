#include "telemetry/TerminalAdvisory.h"

namespace TerminalAdvisory {

namespace {

// The command that sends `signal` to every process matching `pattern`.
QString signalAll(const QString& pattern, const char* signal)
{
    return QStringLiteral("pgrep -f \"") + pattern + QStringLiteral("\" | xargs kill -") + QLatin1String(signal);
}

} // namespace

QStringList lines(const QString& header, const QString& pauseHeading, const QString& pattern,
                  const QString& resumeHeading)
{
    const QString indent = QStringLiteral("  ");
    return {header,    QString(),     pauseHeading, indent + signalAll(pattern, "STOP"),
            QString(), resumeHeading, indent + signalAll(pattern, "CONT")};
}

QString byHand(const QString& pattern)
{
    return QStringLiteral("No terminal could be opened; run by hand: ") + signalAll(pattern, "STOP")
           + QStringLiteral(" (to resume: ") + signalAll(pattern, "CONT") + QLatin1Char(')');
}

} // namespace TerminalAdvisory
