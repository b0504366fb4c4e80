#pragma once

#include <QColor>

// The colour for text and symbols drawn on a solid fill: white where white
// reads well enough (at least 3:1, enough for the bold short labels of
// pills and buttons), otherwise whichever of white and black contrasts more.
// Every control that fills itself with the theme accent picks its ink here,
// so a light accent (Ink's white, Cyberpunk's cyan) never carries white text.
QColor inkOnFill(const QColor& fill);

// The contrast ratio of two opaque colours, from 1 (same) to 21.
double contrastRatio(const QColor& a, const QColor& b);
