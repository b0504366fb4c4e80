#pragma once

#include <QString>

#include <cstring>

// The platform's description of an errno value, safe on any thread.
inline QString proxyErrorText(int error)
{
    char buffer[256];
    // The GNU strerror_r returns the message, which may or may not be buffer.
    return QString::fromLocal8Bit(::strerror_r(error, buffer, sizeof buffer));
}
