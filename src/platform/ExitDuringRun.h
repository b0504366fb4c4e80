#pragma once

#include <functional>

// Qt's X11 support ends the process with exit(1), from inside the event
// loop, when the connection to the X server breaks (a logout that ends the
// display first): main never gets past exec(), so its quit path never runs.
// While one of these lives, that exit (seen by the line Qt says just
// before it), or any exit() called on the main thread, first runs `giveBack`
// there, with everything main built still in place; then exit() goes on. One lives at a time; build it once the start is over (what the
// give-back uses is built by then, and so goes after it at exit).
class ExitDuringRun {
public:
    explicit ExitDuringRun(std::function<void()> giveBack);
    ~ExitDuringRun();
    ExitDuringRun(const ExitDuringRun&) = delete;
    ExitDuringRun& operator=(const ExitDuringRun&) = delete;

    // Emits the application's aboutToQuit, as exec() does once its loop has
    // ended: every service gives back what it holds.
    static void emitAboutToQuit();
};
