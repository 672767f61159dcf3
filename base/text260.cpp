#include "base/text260.h"

#include <cstdio>
#include <cstring>

std::size_t TextLength(const char* buf, std::size_t bufSize) {
  if (buf == nullptr) return 0;
  const void* end = std::memchr(buf, '\0', bufSize);
  return end == nullptr ? bufSize : static_cast<std::size_t>(static_cast<const char*>(end) - buf);
}

bool TextCopyN(char* dst, std::size_t dstSize, const char* src, std::size_t n) {
  if (dst == nullptr || dstSize == 0) return false;
  if (src == nullptr || n >= dstSize) {
    dst[0] = '\0';
    return false;
  }
  std::memmove(dst, src, n);
  dst[n] = '\0';
  return true;
}

bool TextCopy(char* dst, std::size_t dstSize, const char* src) {
  if (dst == nullptr || dstSize == 0) return false;
  if (src == nullptr) {
    dst[0] = '\0';
    return false;
  }
  // Look no further than one byte past what could fit.
  const std::size_t len = TextLength(src, dstSize);
  if (len >= dstSize) {
    dst[0] = '\0';
    return false;
  }
  std::memmove(dst, src, len + 1);
  return true;
}

bool TextAppend(char* dst, std::size_t dstSize, const char* src) {
  if (dst == nullptr || dstSize == 0 || src == nullptr) return false;
  const std::size_t have = TextLength(dst, dstSize);
  if (have >= dstSize) return false;  // not terminated: refuse to touch it
  const std::size_t room = dstSize - have;
  const std::size_t add = TextLength(src, room);
  if (add >= room) return false;
  std::memmove(dst + have, src, add + 1);
  return true;
}

bool TextFormatV(char* dst, std::size_t dstSize, const char* fmt, std::va_list args) {
  if (dst == nullptr || dstSize == 0) return false;
  if (fmt == nullptr) {
    dst[0] = '\0';
    return false;
  }
  const int n = std::vsnprintf(dst, dstSize, fmt, args);
  // A negative result is an encoding error (or, from a pre-C99 runtime, truncation).
  if (n < 0 || static_cast<std::size_t>(n) >= dstSize) {
    dst[0] = '\0';
    return false;
  }
  return true;
}

bool TextFormat(char* dst, std::size_t dstSize, const char* fmt, ...) {
  std::va_list args;
  va_start(args, fmt);
  const bool ok = TextFormatV(dst, dstSize, fmt, args);
  va_end(args);
  return ok;
}
