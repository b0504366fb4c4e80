#pragma once

// One switch for every animation of the kit. Tests turn it off and assert
// target states instead of frames; widgets then jump straight to the end.
class Animations {
public:
    static bool enabled();
    static void setEnabled(bool on);

    // The duration to use for an animation that would take `ms`: 0 when off.
    static int duration(int ms);
};
