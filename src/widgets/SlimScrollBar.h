#pragma once

class QScrollBar;

namespace SlimScrollBar {

// Thin rounded grey handle on a clear track with no arrow buttons, kept a
// few pixels clear of the content beside it. Reads on every theme.
void apply(QScrollBar* bar);

} // namespace SlimScrollBar
