#pragma once

// Whether the display composites windows, so that a window's transparent
// pixels show what lies behind it. On X11 that holds while a compositing
// manager owns the _NET_WM_CM_S<screen> selection: a plain window manager
// alone shows those pixels black. Wayland always composites; so does the
// offscreen platform, which only ever draws into images.
//
// A compositor can start or stop at any time: ask when a window is shown.
// The answer costs one round trip to the X server.
bool compositingManagerRunning();
