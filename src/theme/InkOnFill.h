#pragma once

#include <QColor>

// The colour for text and symbols drawn on a solid fill: white where white
// reads well enough (at least 3:1, enough for the bold short labels of
// pills and buttons), otherwise whichever of white and black contrasts more.
// Every control that fills itself with the theme accent picks its ink here,
// so a light accent (Ink's white, Cyberpunk's cyan) never carries white text.
QColor inkOnFill(const QColor& fill);

// The same choice for a fill that runs from one colour to another: white
// when it reads on both ends, otherwise whichever of white and black reads
// better at the end where it reads worst.
QColor inkOnFill(const QColor& from, const QColor& to);

// `color` as it shows over the opaque `below`.
QColor composedOver(const QColor& color, const QColor& below);

// The contrast ratio of two opaque colours, from 1 (same) to 21.
double contrastRatio(const QColor& a, const QColor& b);
