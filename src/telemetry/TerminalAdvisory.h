#pragma once

#include <QString>
#include <QStringList>

// The text of a terminal advisory: lines for the user to read and copy.
namespace TerminalAdvisory {

// The seven lines: header, blank, pause heading, pause command, blank,
// resume heading, resume command. The commands are
//   "  pgrep -f \"<pattern>\" | xargs kill -STOP" (or -CONT).
QStringList lines(const QString& header, const QString& pauseHeading, const QString& pattern,
                  const QString& resumeHeading);

// One line for the status when no terminal could be started: says so and
// gives the advisory's two commands to run by hand.
QString byHand(const QString& pattern);

} // namespace TerminalAdvisory
