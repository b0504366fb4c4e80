#pragma once

#include <QtGlobal>

// Under the address sanitizer freed memory stays in a 256 MB quarantine.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr qint64 kSanitizerHeldFreedBytes = qint64(256) << 20;
#else
inline constexpr qint64 kSanitizerHeldFreedBytes = 0;
#endif
