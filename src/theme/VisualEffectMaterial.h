#pragma once

// The blurred-background materials a theme can ask for. The numbers are the
// materials' raw values as the design names them; the popover root maps them
// to its own painting.
enum class VisualEffectMaterial {
    titlebar = 3,
    popover = 6,
    hudWindow = 13,
    contentBackground = 18,
    underWindowBackground = 21,
};
