#pragma once

#include <QString>

#include <functional>
#include <source_location>

class Clock;

namespace kestrova {

// Writes one line to standard output (a newline is added) and flushes it.
// Safe to call from any thread; lines never interleave.
//
// Two guards keep a peer that makes us print over and over from flooding the
// log. A line equal to the one before it from the same place is counted
// instead of written: the first goes out, then one repeatedLine() with the
// count, written before the next different line, after a minute of repeats,
// or at exit. And each kind of line (the place that prints it) goes out at
// most five times a second, its repeatedLine() notes included; what it prints
// beyond that is counted, and one heldBackLine() with the count goes out when
// that second ends (from a timer on the application's thread, with the next
// line, or at exit), so lines that alternate or differ only in their detail
// are bounded too.
void print(const QString& line, std::source_location kind = std::source_location::current());

// The line that stands for `count` repeats of the line before it.
QString repeatedLine(qint64 count);
// The line that stands for `count` lines of one kind left out; `like` is the
// last one of that kind that went out.
QString heldBackLine(qint64 count, const QString& like);

// Redirects printed lines (tests capture them). An empty sink restores stdout.
// Returns the sink that was installed before. Pending counts go to the old
// sink first; the new one starts with no line before it and no kind spent.
using PrintSink = std::function<void(const QString& line)>;
PrintSink setPrintSink(PrintSink sink);

// The clock that times the guards (tests move a fake one); null restores the
// system's. Returns the clock installed before. Pending counts go out first
// and every kind starts afresh.
const Clock* setPrintClock(const Clock* clock);

} // namespace kestrova
