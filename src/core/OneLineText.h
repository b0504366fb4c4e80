#pragma once

#include <QString>

// Text from outside (a client's request, another user's process) made safe
// to show on one line: bidirectional controls, which could reverse or hide
// the text around them, are dropped, and line breaks and other control
// characters become spaces. Elide it where it is shown.
QString oneLineText(const QString& text);
