#pragma once

// The named text styles of the views, each one size and weight (see Fonts).
enum class TextStyle {
    largeTitle,
    title,
    title2,
    title3,
    headline,
    subheadline,
    body,
    callout,
    footnote,
    caption,
    caption2,
};
