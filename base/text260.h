#pragma once
// "Text of 260": fixed, zero-terminated ANSI buffers of the system's path size, and the
// only ways the program writes into a fixed buffer. Every operation is bounded by the
// destination's size and FAILS instead of truncating:
//   - TextCopy / TextCopyN / TextFormat leave the destination empty ("") on failure;
//   - TextAppend leaves the destination exactly as it was on failure.
// A destination of size 0 or a null pointer is a failure that writes nothing.
#include <cstdarg>
#include <cstddef>

#include "base/compiler.h"

constexpr std::size_t kTextSize = 260;  // bytes, terminator included
using Text260 = char[kTextSize];

// Copies src (null counts as a failure). True when all of src and its terminator fit.
bool TextCopy(char* dst, std::size_t dstSize, const char* src);

// Copies exactly the first n bytes of src (which must hold at least n readable bytes)
// and terminates. True when n bytes and the terminator fit.
bool TextCopyN(char* dst, std::size_t dstSize, const char* src, std::size_t n);

// Appends src to the zero-terminated text in dst. True when everything fits.
// dst must already hold a terminator within dstSize; otherwise this fails untouched.
bool TextAppend(char* dst, std::size_t dstSize, const char* src);

// printf-style format into dst. True when the whole result and its terminator fit.
bool TextFormat(char* dst, std::size_t dstSize, const char* fmt, ...) TA_PRINTF_FORMAT(3, 4);
bool TextFormatV(char* dst, std::size_t dstSize, const char* fmt, std::va_list args) TA_PRINTF_FORMAT(3, 0);

// Length of the zero-terminated text in buf, or dstSize when there is no terminator
// within the buffer (never reads past it).
std::size_t TextLength(const char* buf, std::size_t bufSize);

// Array forms: the size comes from the array type, so it cannot be got wrong.
template <std::size_t N>
inline bool TextCopy(char (&dst)[N], const char* src) { return TextCopy(dst, N, src); }
template <std::size_t N>
inline bool TextCopyN(char (&dst)[N], const char* src, std::size_t n) { return TextCopyN(dst, N, src, n); }
template <std::size_t N>
inline bool TextAppend(char (&dst)[N], const char* src) { return TextAppend(dst, N, src); }

// Size of a char array, refusing pointers at compile time.
template <std::size_t N>
constexpr std::size_t ArraySize(const char (&)[N]) { return N; }

// Format into a char array with the size taken from its type; keeps printf checking.
#define TEXT_FORMAT(dst, ...) TextFormat((dst), ArraySize(dst), __VA_ARGS__)
