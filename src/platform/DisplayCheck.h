#pragma once

#include <QString>

// Before the application is built: a start that Qt's X11 support would take
// to a display that cannot be opened (DISPLAY unset, or naming no server
// that lets us in) is told in one line instead of Qt's abort. Starts bound
// elsewhere (Wayland, another platform chosen with QT_QPA_PLATFORM or
// -platform) are left to Qt.
namespace DisplayCheck {

// Empty when the display opens, or when the start does not go to X11;
// otherwise the line that says why it does not, naming the variable.
// `argc`/`argv` as main has them.
QString whyNoDisplay(int argc, char** argv);

} // namespace DisplayCheck
