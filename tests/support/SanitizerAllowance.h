#pragma once

#include <QtGlobal>

// What a build with the address sanitizer costs beyond a plain one, for the
// budgets tests hold code to: it runs several times slower, and it keeps
// freed memory in quarantine (256 MB by default) instead of reusing it, so
// resident memory grows by what was freed as well.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr int kSanitizerSlowdown = 10;
inline constexpr qint64 kSanitizerHeldFreedBytes = qint64(256) * 1024 * 1024;
#else
inline constexpr int kSanitizerSlowdown = 1;
inline constexpr qint64 kSanitizerHeldFreedBytes = 0;
#endif
