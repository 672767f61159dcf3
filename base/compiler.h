#pragma once
// Portability macros for the few compiler-specific things the code needs.

// Lets the compiler check printf-style calls of our own format helpers.
// MinGW's C++ runtime uses the C99-conforming printf family, hence its own archetype.
#if defined(__MINGW32__) && defined(__MINGW_PRINTF_FORMAT)
#define TA_PRINTF_FORMAT(fmtIndex, argIndex) __attribute__((format(__MINGW_PRINTF_FORMAT, fmtIndex, argIndex)))
#elif defined(__GNUC__) || defined(__clang__)
#define TA_PRINTF_FORMAT(fmtIndex, argIndex) __attribute__((format(printf, fmtIndex, argIndex)))
#else
#define TA_PRINTF_FORMAT(fmtIndex, argIndex)
#endif
