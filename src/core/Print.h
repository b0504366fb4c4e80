#pragma once

#include <QString>

#include <functional>

namespace kestrova {

// Writes one line to standard output (a newline is added) and flushes it.
// Safe to call from any thread; lines never interleave.
void print(const QString& line);

// Redirects printed lines (tests capture them). An empty sink restores stdout.
// Returns the sink that was installed before.
using PrintSink = std::function<void(const QString& line)>;
PrintSink setPrintSink(PrintSink sink);

} // namespace kestrova
