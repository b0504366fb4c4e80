#pragma once

#include <QString>

// Text from outside (a client's request, another user's process) made safe
// to show on one line: bidirectional controls, which could reverse or hide
// the text around them, are dropped, line breaks and other control
// characters become spaces, and half a surrogate pair becomes U+FFFD. Elide
// it where it is shown.
QString oneLineText(const QString& text);
