#pragma once

#include <QString>

#include <functional>

namespace kestrova {

// Writes one line to standard output (a newline is added) and flushes it.
// Safe to call from any thread; lines never interleave.
//
// A line equal to the one before it is counted instead of written, so a peer
// that makes us print the same line over and over cannot flood the log: the
// first goes out, then one repeatedLine() with the count, written before the
// next different line, after a minute of repeats, or at exit.
void print(const QString& line);

// The line that stands for `count` repeats of the line before it.
QString repeatedLine(qint64 count);

// Redirects printed lines (tests capture them). An empty sink restores stdout.
// Returns the sink that was installed before. A pending count of repeats
// goes to the old sink first; the new one starts with no line before it.
using PrintSink = std::function<void(const QString& line)>;
PrintSink setPrintSink(PrintSink sink);

} // namespace kestrova
