#pragma once

// Standard input, output and error that the process was started without
// (some session starters do that, and so does `cmd <&- >&- 2>&-`) are opened
// on /dev/null, as daemons do: otherwise the next descriptor opened takes
// their number, and whatever is printed lands in it.
namespace StandardDescriptors {

// Call before anything opens a descriptor. Only system calls.
void openClosedOnNull();

} // namespace StandardDescriptors
